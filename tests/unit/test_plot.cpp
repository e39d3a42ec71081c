// The plot's pieces: round ticks, the reduction of long series, the style words, braille dots.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plot.h"

namespace {

// 1, 2 or 5 times a power of ten.
bool round_step(double step)
{
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (std::fabs(mantissa - m) < 1e-9) return true;
    return false;
}

}  // namespace

TEST(PlotAxis, TicksAreRoundMultiplesOfTheStepAndCoverTheRange)
{
    const struct {
        double lo, hi;
    } ranges[] = {{0, 10}, {1, 2000}, {-0.37, 0.81}, {1e-7, 3e-7},  {-5e12, 2e13},
                  {3, 3},  {0, 0},    {-1, -1},      {1, 1.0000001}};
    for (const auto& r : ranges) {
        const plot_axis a = round_axis(r.lo, r.hi, 6, true);
        SCOPED_TRACE(testing::Message() << r.lo << ".." << r.hi);
        EXPECT_TRUE(round_step(a.step)) << a.step;
        ASSERT_GE(a.ticks.size(), 2u);
        EXPECT_LE(a.ticks.size(), 13u);
        EXPECT_DOUBLE_EQ(a.ticks.front(), a.lo);  // extended to the ticks
        EXPECT_DOUBLE_EQ(a.ticks.back(), a.hi);
        EXPECT_LE(a.lo, r.lo);
        EXPECT_GE(a.hi, r.hi);
        EXPECT_LT(a.lo, a.hi);  // a single value gets an axis around it
        for (const double t : a.ticks) EXPECT_NEAR(t / a.step, std::round(t / a.step), 1e-6);
    }
    // A range given is kept exactly; the ticks fall inside it.
    const plot_axis fixed = round_axis(-2.5, 2.5, 3, false);
    EXPECT_EQ(fixed.lo, -2.5);
    EXPECT_EQ(fixed.hi, 2.5);
    EXPECT_EQ(fixed.ticks, (std::vector<double>{-2, 0, 2}));
    // The widest ranges still give finite fractions.
    const plot_axis wide = round_axis(-1e308, 1e308, 6, true);
    EXPECT_NEAR(axis_fraction(wide, 0), 0.5, 1e-9);
}

TEST(PlotAxis, LabelsHaveTheDecimalsOfTheStep)
{
    const plot_axis a = round_axis(-0.37, 0.81, 6, true);  // step 0.2
    EXPECT_EQ(tick_label(a, 0.4), "0.4");
    EXPECT_EQ(tick_label(a, -0.0), "0.0");  // no minus sign on zero
    EXPECT_EQ(tick_label(round_axis(1, 2000, 8, true), 1000), "1000");
    EXPECT_EQ(tick_label(round_axis(1e-9, 5e-9, 4, true), 2e-9), "2e-09");
}

TEST(PlotReduction, ASingleSpikeInAMillionRowsIsKept)
{
    for (const double spike : {1e6, -1e6}) {
        row_reducer r(1408);
        const size_t n = 1000000, at = 123457;
        for (size_t i = 0; i < n; ++i) r.add(i == at ? spike : std::sin(static_cast<double>(i) * 1e-3));
        const auto& cols = r.columns();
        EXPECT_LE(cols.size(), 1408u);
        EXPECT_GE(cols.size(), 704u);
        const size_t w = r.rows_per_column();
        size_t finite = 0;
        for (const auto& c : cols) finite += c.finite;
        EXPECT_EQ(finite, n);
        const column_summary& c = cols[at / w];
        EXPECT_EQ(spike > 0 ? c.max : c.min, spike);
        EXPECT_DOUBLE_EQ(cols.front().first, 0);
        EXPECT_DOUBLE_EQ(cols.back().last, std::sin(static_cast<double>(n - 1) * 1e-3));
    }
}

TEST(PlotReduction, ValuesThatAreNotFiniteMarkGapsThatMergingKeeps)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    row_reducer r(4);
    for (const double v : {1.0, 2.0, nan, 3.0, 4.0, 5.0, 6.0, inf, -inf, 7.0}) r.add(v);
    // Ten rows in four columns or fewer: four rows a column (1 2 nan 3 | 4 5 6 inf | -inf 7).
    ASSERT_EQ(r.rows_per_column(), 4u);
    const auto& c = r.columns();
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].finite, 3u);  // the gap inside a column is narrower than a pixel
    EXPECT_FALSE(c[0].gap_before || c[0].gap_after);
    EXPECT_TRUE(c[1].gap_after);
    EXPECT_TRUE(c[2].gap_before);
    EXPECT_EQ(c[2].first, 7);
    EXPECT_EQ(c[1].min, 4);
    EXPECT_EQ(c[1].max, 6);
}

TEST(PlotStyle, WordsAndRanges)
{
    plot_style s;
    EXPECT_EQ(parse_plot_style("points,xy,x=0:10,y=-1.5:2e3", s), "");
    EXPECT_TRUE(s.points && s.xy && s.x_range && s.y_range);
    EXPECT_EQ(s.y_lo, -1.5);
    EXPECT_EQ(s.y_hi, 2000);
    EXPECT_EQ(parse_plot_style("lines", s), "");
    EXPECT_FALSE(s.points);
    for (const char* bad : {"dots", "x=1:1", "y=2:1", "x=1", "y=a:b", "x=0:inf"}) {
        plot_style t;
        EXPECT_EQ(parse_plot_style(bad, t), bad);
    }
}

TEST(PlotBraille, ALineSetsTheDotsBetweenItsEnds)
{
    braille_canvas c(2, 1);  // 4 x 4 dots
    c.line(0, 3, 3, 0, 1);   // the rising diagonal
    EXPECT_EQ(braille_char(c.bits(0, 0)), "⡠");
    EXPECT_EQ(braille_char(c.bits(1, 0)), "⠊");
    c.dot(9, 9, 2);  // outside: left out
    EXPECT_EQ(c.owner(1, 0), 1u);
}
