// The arithmetic of the summaries: exact sums rounded once, the variance without cancellation,
// quantile positions and the walk over sorted values.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "stats_accumulate.h"

namespace {

double exact(const std::vector<double>& values)
{
    exact_sum s;
    for (double v : values) s.add(v);
    return to_double(s.value());
}

TEST(ExactSum, RoundsTheExactSumOnceToNearestEven)
{
    const double u = std::ldexp(1.0, -53);  // half the spacing of the doubles just above 1
    struct {
        std::vector<double> values;
        double sum;
    } cases[] = {
        {{}, 0.0},
        {{1e100, 1.0, -1e100}, 1.0},
        {{1e308, 1e308, -1e308}, 1e308},  // no overflow on the way
        {{0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1}, 1.0},
        {{4.9e-324, 4.9e-324, -1e-323, 4.9e-324}, 4.9e-324},
        {{1.0, u}, 1.0},                                  // a tie goes to the even neighbour
        {{1.0 + 2 * u, u}, 1.0 + 4 * u},                  // ... up from an odd one
        {{1.0, u, std::ldexp(1.0, -1000)}, 1.0 + 2 * u},  // what lies below breaks the tie
        {{-1.0, -u, -std::ldexp(1.0, -1000)}, -1.0 - 2 * u},
        {{1.7976931348623157e308, 1.7976931348623157e308}, HUGE_VAL},
    };
    for (const auto& c : cases) EXPECT_EQ(exact(c.values), c.sum) << c.values.size() << " values";
}

TEST(ExactSum, MeanAndVarianceRoundedOnce)
{
    exact_sum sum, squares;
    for (double v : {1e9 + 4, 1e9 + 7, 1e9 + 13, 1e9 + 16}) {
        sum.add(v);
        double hi, lo;
        square_parts(v, hi, lo);
        squares.add(hi);
        squares.add(lo);
    }
    EXPECT_EQ(exact_quotient(sum.value(), 4), 1e9 + 10);
    EXPECT_EQ(exact_deviation_ratio(sum.value(), squares.value(), 4, 3), 30.0);  // 90 / 3
    EXPECT_EQ(exact_deviation_ratio(sum.value(), squares.value(), 4, 4), 22.5);
    exact_sum thirds;
    for (double v : {1.0, 1.0, 1.0 + std::ldexp(1.0, -52)}) thirds.add(v);
    EXPECT_EQ(exact_quotient(thirds.value(), 3), 1.0);  // 1 + 2^-52/3 is nearer to 1
}

TEST(Quantiles, PositionsAndInterpolation)
{
    struct {
        uint64_t n;
        double p;
        uint64_t below;
        double fraction;
    } cases[] = {{4, 0.0, 0, 0}, {4, 1.0, 3, 0}, {4, 0.25, 0, 0.75}, {4, 0.5, 1, 0.5}, {5, 0.5, 2, 0}, {1, 0.9, 0, 0}};
    for (const auto& c : cases) {
        const quantile_position q = position_of(c.n, c.p);
        EXPECT_EQ(q.below, c.below) << c.n << " " << c.p;
        EXPECT_DOUBLE_EQ(q.fraction, c.fraction) << c.n << " " << c.p;
    }
    EXPECT_EQ(interpolate(1, 3, 0.25), 1.5);
    EXPECT_EQ(interpolate(5, HUGE_VAL, 0.5), HUGE_VAL);
    EXPECT_EQ(interpolate(-HUGE_VAL, -HUGE_VAL, 0.5), -HUGE_VAL);
}

TEST(SortedWalk, RanksModeAndAntimode)
{
    sorted_walk w({0, 3, 5});
    for (double v : {1.0, 2.0, 2.0, 3.0, 3.0, 4.0}) w.add(v);
    w.end();
    EXPECT_EQ(w.at(0), 1.0);
    EXPECT_EQ(w.at(3), 3.0);
    EXPECT_EQ(w.at(5), 4.0);
    EXPECT_EQ(w.mode(), 2.0);      // 2 and 3 twice each: the smaller
    EXPECT_EQ(w.antimode(), 1.0);  // 1 and 4 once each: the smaller
    for (double v : {-2.5, -0.0, 0.0, 7e300, -HUGE_VAL}) EXPECT_EQ(key_value(value_key(v)), v == 0 ? 0.0 : v);
    EXPECT_LT(value_key(-HUGE_VAL), value_key(-1.0));
    EXPECT_LT(value_key(-1.0), value_key(0.5));
}

}  // namespace
