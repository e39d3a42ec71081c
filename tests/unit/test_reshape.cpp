// The line parser of transpose and the upside-down flip: 16-character number fields.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "helpers.h"
#include "transpos.h"
#include "utils.h"

namespace {

std::vector<double> parse(const char* line, size_t vars, size_t* got = nullptr)
{
    std::vector<double> v(vars, -99.0);
    const size_t n = parse_fields16(line, v.data(), vars);
    if (got) *got = n;
    return v;
}

// Each test starts from the default settings.
using Fields16 = default_settings;

TEST_F(Fields16, ReadsBlankSeparatedNumbers)
{
    size_t got = 0;
    EXPECT_EQ(parse("  1 -2.5\t3e2\n", 3, &got), (std::vector<double>{1, -2.5, 300}));
    EXPECT_EQ(got, 3u);
}

TEST_F(Fields16, LongNumberIsSplitAfterSixteenCharacters)
{
    // "3.14159265358979" is the first 16 characters; the rest is the next value.
    const auto v = parse("3.14159265358979323 1\n", 3);
    EXPECT_DOUBLE_EQ(v[0], 3.14159265358979);
    EXPECT_EQ(v[1], 323);
    EXPECT_EQ(v[2], 1);
    // Leading white space does not count against the width.
    EXPECT_EQ(parse("                 1234567890123456789\n", 2), (std::vector<double>{1234567890123456.0, 789}));
    // A field of exactly 16 characters is read whole.
    EXPECT_EQ(parse("1234567890123456 7", 2), (std::vector<double>{1234567890123456.0, 7}));
}

TEST_F(Fields16, MissingValuesAreZeroAndParsingStopsAtTheLineEnd)
{
    size_t got = 0;
    EXPECT_EQ(parse("1 2\n", 4, &got), (std::vector<double>{1, 2, 0, 0}));
    EXPECT_EQ(got, 2u);
    // A non-number ends the row: no value after it is read.
    EXPECT_EQ(parse("1 x 3\n", 3, &got), (std::vector<double>{1, 0, 0}));
    EXPECT_EQ(got, 1u);
    // Commas are not separators here.
    EXPECT_EQ(parse("1,2", 2, &got), (std::vector<double>{1, 0}));
    EXPECT_EQ(parse("", 2, &got), (std::vector<double>{0, 0}));
    EXPECT_EQ(got, 0u);
}

TEST_F(Fields16, IgnoresSkippedColumnsAndInputDelimiter)
{
    settings.skip_columns = 2;
    settings.input_delimiter = ';';
    EXPECT_EQ(parse("1;2 3\n", 2), (std::vector<double>{1, 0}));
    EXPECT_EQ(parse("10 20\n", 2), (std::vector<double>{10, 20}));
}

TEST_F(Fields16, NoValuesWanted)
{
    size_t got = 7;
    parse_fields16("1 2", nullptr, 0);
    EXPECT_EQ(parse("1 2", 0, &got).size(), 0u);
    EXPECT_EQ(got, 0u);
}

}  // namespace

namespace {

// The fields are those of the library scan "%16lf%n" applied again and again from the start of
// the line, each scan continuing where the previous one stopped.
size_t library_fields(const char* line, double* var, size_t vars)
{
    const char* p = line;
    size_t i = 0;
    for (; i < vars; ++i) {
        int used = 0;
        if (std::sscanf(p, "%16lf%n", &var[i], &used) != 1) break;
        p += used;
    }
    const size_t got = i;
    for (; i < vars; ++i) var[i] = 0.0;
    return got;
}

TEST_F(Fields16, AgreesWithTheLibraryScanOnAwkwardText)
{
    const char* const lines[] = {
        "1e 2",
        "1e+ 3",
        "-. 4",
        ".5e-3x 7",
        "0x1p-3 0x",
        "nan(abc) 1",
        "infinity -inf",
        "1.2.3 4",
        "+1234567890123456789 5",
        "-0.000000000000000001 2",
        "12345678901234e-56 1",
        "  \t1\v2\f3\r\n",
        "1,5 2",
        "999999999999999999999999 1",
        "1e999 -1e999 1e-999",
        "0x123456789abcdef01 2",
        "+5 inf -nan 0x10",
        // the width ends inside the exponent
        "123456789012345e5",
    };
    for (const char* line : lines) {
        double got[6], want[6];
        const size_t n = parse_fields16(line, got, 6);
        EXPECT_EQ(n, library_fields(line, want, 6)) << line;
        for (size_t i = 0; i < 6; ++i) {
            if (std::isnan(want[i]))
                EXPECT_TRUE(std::isnan(got[i])) << line << " value " << i;
            else
                EXPECT_EQ(got[i], want[i]) << line << " value " << i;
        }
    }
}

}  // namespace
