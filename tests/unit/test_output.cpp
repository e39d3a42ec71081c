// Number forms, format validation and the output styles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "helpers.h"
#include "output.h"
#include "utils.h"

namespace {

std::string normal(double v)
{
    char buf[64];
    return std::string(buf, format_normal_double(buf, v));
}

std::string via_printf_normal(double v)
{
    char buf[512];
    int len = std::snprintf(buf, sizeof buf, "%f", v);
    if (len > 15) {
        std::snprintf(buf, sizeof buf, "%.17g", v);
        return buf;
    }
    std::string s(buf);
    if (s.find('.') != std::string::npos) {
        while (s.size() > 1 && s.back() == '0') s.pop_back();
        if (s.size() > 1 && s.back() == '.') s.pop_back();
    }
    return s;
}

std::string g(double v, int prec)
{
    char buf[64];
    return std::string(buf, format_g(buf, v, prec));
}

// Captures what a hook-driven writer puts on a stream.
template <class F>
std::string capture(F write)
{
    temp_file t;
    write(t.f);
    return t.contents();
}

// The style tests start from the default settings and the standard style.
using OutputStyles = default_settings;

}  // namespace

TEST(NumberForms, NormalFormExamples)
{
    EXPECT_EQ(normal(3.14), "3.14");
    EXPECT_EQ(normal(2.0), "2");
    EXPECT_EQ(normal(0.1), "0.1");
    EXPECT_EQ(normal(12345678.5), "12345678.5");
    EXPECT_EQ(normal(123456789.5), "123456789.5");
    EXPECT_EQ(normal(-12345678.5), "-12345678.5");
    EXPECT_EQ(normal(1e-7), "0");
    EXPECT_EQ(normal(-1e-7), "-0");
    EXPECT_EQ(normal(-0.0), "-0");
    EXPECT_EQ(normal(0.0), "0");
    EXPECT_EQ(normal(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(normal(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(normal(std::nan("")), "nan");
    EXPECT_EQ(normal(1e300), via_printf_normal(1e300));
    EXPECT_EQ(normal(0.0078125), "0.007812");  // a tie rounds to even, as "%f" does
    EXPECT_EQ(normal(99999999.9999999), via_printf_normal(99999999.9999999));
}

TEST(NumberForms, ValuesNearHalfAMillionthRoundAsTheLibraryDoes)
{
    // Dyadic ties and decimal near-ties at the sixth decimal, where a shortcut could round wrongly.
    std::mt19937_64 gen(7);
    std::uniform_int_distribution<int64_t> units(0, 999999999999999LL);
    std::uniform_int_distribution<int> shift(1, 30);
    for (int i = 0; i < 200000; ++i) {
        const double near = (static_cast<double>(units(gen)) + 0.5) / 1e6;
        const double dyadic = std::ldexp(static_cast<double>(units(gen) % 1000000000), -shift(gen));
        for (double v : {near, -near, dyadic, std::nextafter(near, 0.0), std::nextafter(near, 1e9)}) {
            ASSERT_EQ(normal(v), via_printf_normal(v)) << v;
        }
    }
}

TEST(NumberForms, LongFormExamples)
{
    EXPECT_EQ(g(0.1, 18), "0.100000000000000006");
    EXPECT_EQ(g(1.5e20, 18), "1.5e+20");
}

TEST(NumberForms, AgreeWithTheCLibraryOnRandomValues)
{
    std::mt19937_64 gen(12345);
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> ex(-12, 12);
    std::uniform_int_distribution<uint64_t> bits;
    for (int i = 0; i < 200000; ++i) {
        double v = mant(gen) * std::pow(10.0, ex(gen));
        if (i % 4 == 0) {
            uint64_t b = bits(gen);
            std::memcpy(&v, &b, sizeof v);
            if (!std::isfinite(v)) continue;
        }
        if (i % 7 == 0) v = std::round(v * 1000) / 1000;
        ASSERT_EQ(normal(v), via_printf_normal(v)) << v;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.18g", v);
        ASSERT_EQ(g(v, 18), buf);
        std::snprintf(buf, sizeof buf, "%.17g", v);
        ASSERT_EQ(g(v, 17), buf);
    }
}

TEST(FormatValidation, AcceptsAndRejects)
{
    for (const char* ok : {"%f", "%.3e", "x=%-+#08.3g%%", "%%%f", "%E", "%10G", "%.f"}) EXPECT_EQ(validate_double_format(ok), 0) << ok;
    for (const char* bad : {"", "abc", "%d", "%lf", "%*f", "%f %f", "%", "%5", "%.", "%%", "%f%"})
        EXPECT_EQ(validate_double_format(bad), 1) << bad;
}

TEST(FormatValidation, WidthAndPrecisionStayPrintable)
{
    // A billion or more characters for one number is more than the C library can count.
    for (const char* ok : {"%999999999f", "%.999999999e", "%0000000000001.0000000000001g"})
        EXPECT_EQ(validate_double_format(ok), 0) << ok;
    for (const char* bad : {"%1000000000f", "%.1000000000e", "x=%-+3.2222222222222222308g%%", "%99999999999999999999f"})
        EXPECT_EQ(validate_double_format(bad), 1) << bad;
}

TEST_F(OutputStyles, RowsInEveryStyle)
{
    const double r1[] = {1, 2, 3};
    const double r2[] = {4, 5, 6};
    auto table = [&](size_t lines) {
        return capture([&](FILE* f) {
            output.prolog(f, 3, lines);
            output.output_comment(f, "note");
            writeline(f, r1, 3, nullptr);
            writeline(f, r2, 3, nullptr);
            output.epilog(f);
        });
    };
    EXPECT_EQ(table(0), "note\n1 2 3\n4 5 6\n");
    EXPECT_EQ(table(2), "2\nnote\n1 2 3\n4 5 6\n");
    set_output_c();
    EXPECT_EQ(table(0), "double data[][3] = {\n/* note */\n{ 1, 2, 3},\n{ 4, 5, 6},\n};\n");
    EXPECT_EQ(table(2), "double data[2][3] = {\n/* note */\n{ 1, 2, 3},\n{ 4, 5, 6},\n};\n");
    set_output_csv();
    EXPECT_EQ(table(0), "1, 2, 3\n4, 5, 6\n");
    set_output_latex();
    EXPECT_EQ(table(0),
              "% there are 0 lines in table\n\\begin{tabular}{l l l}\n% note\n1 & 2 & 3 \\\\\n4 & 5 & 6 \\\\\n\\end{tabular}\n");
    EXPECT_EQ(capture([](FILE* f) { output.prolog(f, 0, 0); }), "% there are 0 lines in table\n\\begin{tabular}{}\n");
}

TEST_F(OutputStyles, FlagsLeaveColumnsOutAndExtraPrecisionFollowsTheColumn)
{
    const double r[] = {0.1, 0.1, 0.1};
    const char flag[] = {0, 1, 0};
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, r, 3, flag); }), "0.1 0.1\n");
    const char all[] = {1, 1, 1};
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, r, 3, all); }), "\n");
    settings.xtraprec = 1;
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, r, 3, nullptr); }), "0.1 0.100000000000000006 0.1\n");
    settings.xtraprec = -1;
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, r, 2, nullptr); }), "0.100000000000000006 0.100000000000000006\n");
    settings.xtraprec = -2;
    std::snprintf(settings.format, sizeof settings.format, "%%.3e");
    settings.printspecial = 1;
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, r, 1, nullptr); }), "1.000e-01\n");
    settings.printspecial = 0;
    settings.separator = '\t';
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, r, 2, nullptr); }), "0.1\t0.1\n");
}
