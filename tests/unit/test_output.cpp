// Number forms, format validation and the output styles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

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

// Captures what a hook-driven writer puts on a stream, in memory.
template <class F>
std::string capture(F write)
{
    char* data = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&data, &size);
    if (!f) return "(no memory stream)";
    write(f);
    std::fclose(f);
    const std::unique_ptr<char, void (*)(void*)> buffer(data, std::free);  // the C library's allocation
    return std::string(data, size);
}

// The style tests start from the default settings and the standard style.
using OutputStyles = default_settings;

}  // namespace

TEST(NumberForms, NormalFormExamples)
{
    EXPECT_EQ(normal(3.14), "3.14");
    EXPECT_EQ(normal(2.0), "2");
    EXPECT_EQ(normal(12345678.5), "12345678.5");
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

TEST(FormatValidation, AcceptsAndRejects)
{
    for (const char* ok : {"%f", "%.3e", "x=%-+#08.3g%%", "%%%f", "%E", "%10G", "%.f"})
        EXPECT_EQ(validate_double_format(ok), 0) << ok;
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

namespace {

// One cell as the C library prints it in the form printdouble_original chooses for its column.
std::string cell_by_library(double v, size_t column)
{
    char buf[40000];
    if (settings.printspecial) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        std::snprintf(buf, sizeof buf, settings.format, v);
#pragma GCC diagnostic pop
        return buf;
    }
    if (settings.xtraprec == -1 || static_cast<long>(column) == settings.xtraprec) {
        std::snprintf(buf, sizeof buf, "%.18g", v);
        return buf;
    }
    return via_printf_normal(v);
}

// A value of one of the kinds data files hold, the awkward ones included.
double random_value(std::mt19937_64& gen)
{
    std::uniform_int_distribution<int> kind(0, 9), digits(0, 9999999), ex(-25, 25);
    std::uniform_int_distribution<uint64_t> bits;
    switch (kind(gen)) {
    case 0: return digits(gen) - 5000000;
    case 1: return digits(gen) / 1000.0;
    case 2: return -digits(gen) / 1e6;
    case 3: return digits(gen) * std::pow(10.0, ex(gen));
    case 4: {
        double v;
        const uint64_t b = bits(gen);
        std::memcpy(&v, &b, sizeof v);
        return v;  // any bit pattern: NaNs, infinities, subnormals
    }
    case 5: return digits(gen) * 1e3 + 0.5;
    case 6: return -0.0;
    case 7: return 123456789.5;
    default: return (digits(gen) - 5000000) / 64.0;
    }
}

struct style_case {
    void (*install)();
    const char* start;
    const char* separator;  // null: the separator setting
    const char* end;
};

}  // namespace

TEST_F(OutputStyles, RowWriterWritesTheBytesOfTheCellHooksInEveryStyleAndNumberForm)
{
    const style_case styles[] = {{set_output_standard, "", nullptr, "\n"},
                                 {set_output_c, "{ ", ", ", "},\n"},
                                 {set_output_csv, "", ", ", "\n"},
                                 {set_output_latex, "", " & ", " \\\\\n"}};
    struct number_case {
        long xtraprec;
        const char* format;  // null: no user format
    };
    const number_case forms[] = {{-2, nullptr},         {-1, nullptr}, {2, nullptr}, {-2, "%.3e"},
                                 {-2, "x=%-+#08.3g%%"}, {0, "%10.4f"}, {-2, "%G"}};
    std::mt19937_64 gen(99);
    std::uniform_int_distribution<size_t> width(0, 12);
    std::uniform_int_distribution<int> coin(0, 3);
    for (const style_case& style : styles) {
        for (const number_case& form : forms) {
            settings.xtraprec = form.xtraprec;
            settings.printspecial = form.format != nullptr;
            if (form.format) std::snprintf(settings.format, sizeof settings.format, "%s", form.format);
            for (char separator : {' ', '\t'}) {
                settings.separator = separator;
                style.install();
                for (int trial = 0; trial < 300; ++trial) {
                    // Some rows are wider than the writer's chunk, to be written in pieces.
                    const size_t n = trial % 50 == 0 ? 3000 : width(gen);
                    std::vector<double> row(n);
                    std::vector<char> flag(n);
                    for (size_t i = 0; i < n; ++i) {
                        row[i] = random_value(gen);
                        flag[i] = coin(gen) == 0;
                    }
                    const bool flagged = trial % 2 == 0;
                    std::string want = style.start;
                    bool first = true;
                    for (size_t i = 0; i < n; ++i) {
                        if (flagged && flag[i]) continue;
                        if (!first) want += style.separator ? style.separator : std::string(1, separator);
                        want += cell_by_library(row[i], i);
                        first = false;
                    }
                    want += style.end;
                    const std::string got =
                        capture([&](FILE* f) { writeline(f, row.data(), n, flagged ? flag.data() : nullptr); });
                    ASSERT_EQ(got, want) << "trial " << trial << " format " << (form.format ? form.format : "-")
                                         << " xtraprec " << form.xtraprec;
                }
            }
        }
    }
    // A user format wider than the writer's chunk goes to the stream as one cell.
    settings = vorn_variables{};
    set_output_standard();
    settings.printspecial = 1;
    std::snprintf(settings.format, sizeof settings.format, "%%20000.2f|");
    const double wide[] = {1.5, -2};
    const std::string got = capture([&](FILE* f) { writeline(f, wide, 2, nullptr); });
    EXPECT_EQ(got, cell_by_library(1.5, 0) + " " + cell_by_library(-2, 1) + "\n");
}

TEST_F(OutputStyles, RowWriterCopiesFieldTextOnlyWhereTheNumberFormWouldPrintIt)
{
    const double row[] = {2.5, 7, 3};
    // Texts that differ from the printed form on purpose show which cells were copied.
    const field_text text[] = {{"T0", 2, 2.5}, {"T1", 2, 7}, {"T2", 2, 4}};
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, row, 3, nullptr, text); }), "T0 T1 3\n")
        << "a value no longer the one read is printed";
    settings.xtraprec = 1;
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, row, 3, nullptr, text); }), "T0 7 3\n")
        << "the extra-precision column is printed";
    settings.xtraprec = -2;
    settings.printspecial = 1;
    std::snprintf(settings.format, sizeof settings.format, "%%.1f");
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, row, 3, nullptr, text); }), "2.5 7.0 3.0\n");
    settings = vorn_variables{};
    const double zero[] = {0.0};
    const field_text minus_zero[] = {{"-0", 2, -0.0}};
    EXPECT_EQ(capture([&](FILE* f) { writeline(f, zero, 1, nullptr, minus_zero); }), "0\n")
        << "zero and minus zero are different values";
}

TEST(NumberForms, TextThatPrintsAsItselfIsWhatThePrinterWrites)
{
    // Every text the rule accepts reads as a value whose normal form is that very text; the rule
    // also accepts the plain forms it is meant for.
    std::mt19937_64 gen(4242);
    std::uniform_int_distribution<int> len(0, 10), digit(0, 9), coin(0, 3);
    size_t accepted = 0;
    for (int trial = 0; trial < 400000; ++trial) {
        std::string s;
        if (coin(gen) == 0) s += '-';
        const int whole = len(gen);
        for (int i = 0; i < whole; ++i) {
            const bool nonzero_lead = i == 0 && coin(gen) != 0;
            s += static_cast<char>('0' + (nonzero_lead ? 1 + digit(gen) % 9 : digit(gen)));
        }
        if (coin(gen)) {
            s += '.';
            const int frac = len(gen) % 9;
            for (int i = 0; i < frac; ++i) s += static_cast<char>('0' + digit(gen));
        }
        if (coin(gen) == 0 && trial % 5 == 0) s += "e1";
        double v;
        const char* end = read_double(s.c_str(), s.c_str() + s.size(), &v);
        if (!end || end != s.c_str() + s.size()) {
            ASSERT_FALSE(prints_as_itself(s.c_str(), s.c_str() + s.size())) << s;
            continue;
        }
        const bool rule = prints_as_itself(s.c_str(), s.c_str() + s.size());
        if (rule) {
            ++accepted;
            ASSERT_EQ(normal(v), s) << "the rule accepted " << s;
        }
        const bool plain = s.find('e') == std::string::npos && s.size() <= 15;
        if (plain && normal(v) == s && s.find('.') != std::string::npos) {
            const size_t decimals = s.size() - s.find('.') - 1;
            const size_t before_point = s.find('.');
            if (decimals <= 6 && before_point <= 8) {
                ASSERT_TRUE(rule) << s << " prints as itself but the rule refused it";
            }
        }
    }
    EXPECT_GT(accepted, 50000u);
    for (const char* yes : {"0", "-0", "7", "-12", "0.5", "-0.000001", "12345678", "-1234567", "99999999.999999"})
        EXPECT_TRUE(prints_as_itself(yes, yes + std::strlen(yes))) << yes;
    for (const char* no : {"", "-", "00", "01", "1.", ".5", "1.50", "1.0", "0.0000001", "123456789", "-12345678", "1e3",
                           "+1", "nan", "1.2.3"})
        EXPECT_FALSE(prints_as_itself(no, no + std::strlen(no))) << no;
}

TEST(NumberForms, AgreeWithTheCLibraryAcrossTheirRange)
{
    // Around every power of ten, at halves and at whole numbers, where the digit count or the
    // rounding changes; on values spread evenly over the decades, on short decimals and on any
    // bit pattern.
    std::mt19937_64 gen(31337);
    std::uniform_real_distribution<double> decade(-8.0, 20.0), mant(-10.0, 10.0);
    std::uniform_int_distribution<int64_t> whole(0, int64_t{1} << 53);
    std::uniform_int_distribution<int> ex(-12, 12);
    std::uniform_int_distribution<uint64_t> bits;
    std::vector<double> values;
    for (int k = -8; k <= 20; ++k) {
        double p = std::pow(10.0, k);
        for (int step = 0; step < 3; ++step) {
            values.push_back(p);
            p = std::nextafter(p, 0.0);
        }
        p = std::pow(10.0, k);
        for (int step = 0; step < 3; ++step) values.push_back(p = std::nextafter(p, 1e300));
    }
    for (int i = 0; i < 200000; ++i) {
        values.push_back(std::pow(10.0, decade(gen)));
        values.push_back(static_cast<double>(whole(gen)));
        values.push_back(static_cast<double>(whole(gen) % 1000000000) + 0.5);
        const double v = mant(gen) * std::pow(10.0, ex(gen));
        values.push_back(i % 7 == 0 ? std::round(v * 1000) / 1000 : v);
        const uint64_t b = bits(gen);
        double any;
        std::memcpy(&any, &b, sizeof any);
        if (std::isfinite(any)) values.push_back(any);
    }
    char buf[64];
    for (double v : values) {
        for (double x : {v, -v}) {
            ASSERT_EQ(normal(x), via_printf_normal(x)) << x;
            for (int precision : {17, 18}) {
                std::snprintf(buf, sizeof buf, "%.*g", precision, x);
                ASSERT_EQ(g(x, precision), buf) << precision;
            }
        }
    }
}
