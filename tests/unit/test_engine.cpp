// The line reader, the column and row counters, selections, the small containers, memory and
// the help command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "compat.h"
#include "helpers.h"
#include "readflag.h"
#include "slists.h"
#include "utils.h"
#include "vorn_help.h"

namespace {

// A file pair whose input is a temporary file holding `text`, open at its start.
struct temp_input {
    temp_file file;
    open__files of;
    FILE* const f;
    explicit temp_input(const std::string& text) : file(text), f(std::fopen(file.name.c_str(), "r")) { of.in = f; }
};

// The marks a selection gives over n positions, from inline strings or from a selection file,
// with the 102 positions of slack that follow them in the array.
std::vector<int> marks(const std::vector<const char*>& inline_selections, size_t n, int inverse = 0,
                       const char* file = nullptr)
{
    sll_list<std::string> list;
    for (const char* s : inline_selections) add_flaglines(list, s);
    std::vector<char> flag(n + 102, 0);
    readflags(file, flag.data(), inverse, list, n);
    return std::vector<int>(flag.begin(), flag.end());
}
std::vector<int> marks(const char* selection, size_t n, int inverse = 0)
{
    return marks(std::vector<const char*>{selection}, n, inverse);
}

// The 1-based positions marked among the first n; a mark in the slack beyond them fails the test.
std::vector<int> positions(const std::vector<int>& m, size_t n)
{
    std::vector<int> pos;
    for (size_t i = 0; i < m.size(); ++i) {
        if (!m[i]) continue;
        if (i < n)
            pos.push_back(static_cast<int>(i + 1));
        else
            ADD_FAILURE() << "position " << i + 1 << " marked beyond the last (" << n << ")";
    }
    return pos;
}

std::vector<int> marked_positions(const char* selection, size_t n) { return positions(marks(selection, n), n); }

// Each suite below starts from the default settings.
using LineClassification = default_settings;
using LineReader = default_settings;
using Selection = default_settings;

}  // namespace

TEST_F(LineClassification, TestsInOrder)
{
    for (const char* line : {"", "# 1 2\n", "! 1\n", "; 1\n", "   \n", "text only\n"})
        EXPECT_TRUE(iscomment(line, &settings.skip_rows)) << line;
    for (const char* line : {"  # 1 2\n", "x1\n"}) EXPECT_FALSE(iscomment(line, &settings.skip_rows)) << line;
    settings.starskip = 1;
    settings.skip_rows = 1;
    EXPECT_TRUE(iscomment("1 2 *\n", &settings.skip_rows));
    EXPECT_EQ(settings.skip_rows, 1) << "starred lines do not use up the countdown";
    EXPECT_TRUE(iscomment("1 2\n", &settings.skip_rows));
    EXPECT_EQ(settings.skip_rows, 0);
    EXPECT_FALSE(iscomment("1 2\n", &settings.skip_rows));
}

TEST_F(LineReader, ColumnCounting)
{
    using count = std::pair<const char*, size_t>;
    for (const auto& [line, columns] :
         {count{"1 2 x 3\n", 2}, {"1,2,3\n", 3}, {"  # 1 2\n", 0}, {"1e5 -2.5 .5 inf nan 0x1p3\n", 6}})
        EXPECT_EQ(scanline(line), columns) << line;
    EXPECT_EQ(scanline("1 -nan(1) 2\n"), 2u) << "the suffix after a NaN is not a number";
    settings.skip_columns = 4;
    EXPECT_EQ(scanline("1 2\n"), 0u);
    EXPECT_EQ(scanline("abc 1 2\n"), 2u);
}

TEST_F(LineReader, RowCountIsTheLeadingRunOfTheFirstWidth)
{
    settings.quiet = 1;
    temp_input t("1 2\n3 4\n5\n6 7\n");
    EXPECT_EQ(get_rows(t.f, 2), 2u);
    double row[2];
    ASSERT_NE(readline(t.of, row, nullptr, 2), nullptr) << "the stream was rewound";
    EXPECT_EQ(row[0], 1);
}

TEST_F(LineReader, ALineNoLongerThanTheSkippedColumnsEndsTheReading)
{
    settings.skip_columns = 4;
    temp_input t("1 2\n5 6 7 8\n");
    double row[2];
    EXPECT_EQ(readline(t.of, row, nullptr, 2), nullptr);
}

TEST_F(LineReader, CountingPassesSeeTheLinesTheRowReaderSees)
{
    // Lines longer than the buffer come in pieces, a last line may lack its newline, and a NUL
    // byte ends what the line's text holds; random texts over a small buffer against the stream
    // reader, with blocks large enough that pieces straddle block ends.
    std::mt19937 gen(11);
    const char alphabet[] = {'1', '2', ' ', '\n', '#', '\r', '\0', '-'};
    for (int round = 0; round < 200; ++round) {
        std::string text(round % 10 == 0 ? 1000000 + gen() % 200000 : gen() % 40, ' ');
        for (char& c : text) c = alphabet[gen() % sizeof alphabet];
        const size_t size = 2 + gen() % 300;
        temp_file a(text), b(text);
        line_pieces pieces(b.f, size);
        std::vector<char> buf(size);
        const reader_rules plain{};
        for (;;) {
            char* want = myfgets_o(buf.data(), size, a.f, nullptr, plain);
            char* got = pieces.next_data_line(nullptr, plain);
            ASSERT_EQ(want == nullptr, got == nullptr) << "round " << round;
            if (!want) break;
            ASSERT_STREQ(want, got) << "round " << round;
        }
    }
}

TEST_F(Selection, Syntax)
{
    EXPECT_EQ(marked_positions("1,3,5-7,10:5:-1", 22), (std::vector<int>{1, 3, 5, 6, 7, 10, 15, 20}));
    EXPECT_EQ(marked_positions("0-3", 5), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(marked_positions("5--1", 9), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(marked_positions("4:1:-1", 3), (std::vector<int>{3}));
    EXPECT_EQ(marked_positions("1:2", 5), (std::vector<int>{1}));
    EXPECT_EQ(marked_positions("1 3", 5), (std::vector<int>{1}));
    EXPECT_EQ(marked_positions("5-", 5), (std::vector<int>{5}));
    EXPECT_EQ(marked_positions("9,2-20", 4), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(marked_positions("", 4), (std::vector<int>{}));
    EXPECT_EQ(marked_positions(",,x,2", 4), (std::vector<int>{2}));
}

TEST_F(Selection, EndsOfStepsRangesAndPositions)
{
    const struct {
        const char* text;
        size_t n;
        std::vector<int> want;
    } cases[] = {
        // steps: the last position hit exactly, stepped over, beyond the end, or open (-1 is the end)
        {"1:2:5", 5, {1, 3, 5}},
        {"2:3:8", 8, {2, 5, 8}},
        {"1:2:6", 6, {1, 3, 5}},
        {"1:2:9", 5, {1, 3, 5}},
        {"1:1:5", 5, {1, 2, 3, 4, 5}},
        {"2:2:-1", 6, {2, 4, 6}},
        {"2:2:-1", 5, {2, 4}},
        {"5:3:-1", 5, {5}},
        {"3:4:3", 5, {3}},
        {"6:1:9", 5, {}},
        // steps: bounds exchanged count from the smaller; a first position below 1 counts from 1
        {"5:2:1", 5, {1, 3, 5}},
        {"9:2:2", 9, {2, 4, 6, 8}},
        {"0:2:5", 5, {1, 3, 5}},
        {"-2:2:4", 5, {1, 3}},
        // ranges: both ends included, cut at the last position
        {"1-5", 5, {1, 2, 3, 4, 5}},
        {"4-5", 5, {4, 5}},
        {"5-4", 5, {4, 5}},
        {"3-3", 5, {3}},
        {"4-9", 5, {4, 5}},
        {"6-9", 5, {}},
        {"-1-2", 5, {1, 2}},
        // single positions: the first, the last, one past the last
        {"1", 5, {1}},
        {"5", 5, {5}},
        {"6", 5, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(marked_positions(c.text, c.n), c.want) << c.text << " over " << c.n;
        std::vector<int> others;
        for (int i = 1; i <= static_cast<int>(c.n); ++i)
            if (std::find(c.want.begin(), c.want.end(), i) == c.want.end()) others.push_back(i);
        EXPECT_EQ(positions(marks(c.text, c.n, 1), c.n), others) << "inverted " << c.text << " over " << c.n;
        temp_file file(std::string(c.text) + "\n");
        EXPECT_EQ(positions(marks({}, c.n, 0, file.name.c_str()), c.n), c.want) << "file " << c.text << " over " << c.n;
    }
}

TEST_F(Selection, InversionCountsAndListing)
{
    auto flag = marks("2", 5, 1);
    EXPECT_EQ(std::vector<int>(flag.begin(), flag.begin() + 5), (std::vector<int>{1, 0, 1, 1, 1}));
    std::vector<char> inverted(flag.begin(), flag.end());
    EXPECT_EQ(flagged(inverted.data(), 5), 1u);
    settings.inverse = 1;
    temp_file out;
    printflagged(out.f, inverted.data(), 5);
    settings.inverse = 0;
    std::vector<char> runs = {1, 1, 1, 0, 1, 0, 0, 1, 1};
    printflagged(out.f, runs.data(), runs.size());
    EXPECT_EQ(out.contents(), "2 1-3 5 8-9 ");
}

TEST_F(Selection, TwoInlineSelectionsAndAFile)
{
    temp_file file("# columns\n5\n6,7\n");
    EXPECT_EQ(positions(marks({"1", "3"}, 8, 0, file.name.c_str()), 8), (std::vector<int>{1, 3, 5, 6, 7}));
}

TEST(SelectionDeathTest, FatalSelections)
{
    sll_list<std::string> list;
    EXPECT_EXIT(add_flaglines(list, "a1"), testing::ExitedWithCode(1),
                "invalid characters in option argument for option -e: a1.");
    EXPECT_EXIT(marks("3:0:9", 10), testing::ExitedWithCode(1), "Error: step can't be less than 1: 0");
    EXPECT_EXIT(marks("3:-2:9", 10), testing::ExitedWithCode(1), "step can't be less than 1: -2");
}

TEST(ClosingDeathTest, AnOutputThatFailsToCloseIsAWriteError)
{
    auto close_fails = [] {
        const cookie_io_functions_t io{nullptr, [](void*, const char*, size_t n) { return static_cast<ssize_t>(n); },
                                       nullptr,
                                       [](void*) {
                                           errno = EIO;
                                           return -1;
                                       }};
        open__files of(nullptr, "out.dat");
        of.out = fopencookie(nullptr, "w", io);
        std::fputs("1 2\n", of.out);
        closefiles(of);
        std::exit(0);
    };
    EXPECT_EXIT(close_fails(), testing::ExitedWithCode(1), "Could not write out.dat: Input/output error");
}

TEST(BoundedCopy, CutsAndReportsTheSourceLength)
{
    char d[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(strlcpy(d, "hello", sizeof d), 5u);
    EXPECT_STREQ(d, "hel");
    char e[1] = {'q'};
    EXPECT_EQ(strlcpy(e, "", 0), 0u);
    EXPECT_EQ(e[0], 'q');
}

TEST(MemoryDeathTest, AllocationFailureIsReportedWithTheSize)
{
    EXPECT_EXIT(my_malloc(char, static_cast<size_t>(1) << 62), testing::ExitedWithCode(1),
                "Could not allocate memory 4611686018427387904 bytes");
    EXPECT_EXIT(my_malloc_array_(static_cast<size_t>(1) << 40, static_cast<size_t>(1) << 30),
                testing::ExitedWithCode(1), "Could not allocate memory");
}

TEST(MemoryDeathTest, ContainersReportAllocationFailureThroughTheFatalPath)
{
    EXPECT_EXIT(std::vector<char>().reserve(static_cast<size_t>(1) << 62), testing::ExitedWithCode(1),
                "Error in File:memory.cpp\\([0-9]+\\):\nCould not allocate memory 4611686018427387904 bytes");
    EXPECT_EXIT(std::string().reserve(static_cast<size_t>(1) << 61), testing::ExitedWithCode(1),
                "Could not allocate memory 230584300921369395[0-9] bytes");
}

TEST(HelpCommand, NameIsOneShellWordWhateverItHolds)
{
    EXPECT_EQ(help_command("vorn"), "\"vorn\" --more -? | more");
    EXPECT_EQ(help_command("/usr/local/bin/my vorn"), "\"/usr/local/bin/my vorn\" --more -? | more");
    EXPECT_EQ(help_command("v\";echo x;\""), "\"v\\\";echo x;\\\"\" --more -? | more");
    EXPECT_EQ(help_command("$(id)`id`\\"), "\"\\$(id)\\`id\\`\\\\\" --more -? | more");
}

namespace {

// The column count as the reader's number scan finds it, token by token.
size_t count_by_reading(const char* line)
{
    const size_t len = std::strlen(line);
    if (settings.skip_columns >= len) return 0;
    char* p = const_cast<char*>(line) + settings.skip_columns;
    const char delim = static_cast<char>(settings.input_delimiter);
    size_t count = 0;
    for (;;) {
        p = eatwhite(p);
        while (delim && *p == delim) p = eatwhite(p + 1);
        double v;
        const char* q = read_double(p, line + len, &v);
        if (!q) break;
        ++count;
        p = const_cast<char*>(q);
        if (*p == '\0') break;
    }
    return count;
}

}  // namespace

TEST_F(LineReader, CountingBySyntaxAgreesWithTheNumberScan)
{
    // Plain decimals of every shape beside the tokens only the library's scan takes, or nobody.
    const char* tokens[] = {"0",     "-0",     "12",     "-3.25",   "1.",  ".5",
                            "-.5",   "1e5",    "2E-3",   "1.5e+10", "007", "123456789012345678901234",
                            "1e999", "1e-999", "+1",     "1e",      "1e+", "-",
                            ".",     "-.",     "1.2.3",  "1-2",     "--1", ".e1",
                            "inf",   "-nan",   "nan(1)", "0x1p3",   "x",   "1x",
                            "5,"};
    const char* gaps[] = {" ", "  ", "\t", ",", ", ", ";"};
    std::mt19937_64 gen(77);
    std::uniform_int_distribution<size_t> pick_token(0, std::size(tokens) - 1), pick_gap(0, std::size(gaps) - 1),
        width(0, 40), coin(0, 5);
    for (int delimiter : {0, int{';'}}) {
        settings = vorn_variables{};
        settings.input_delimiter = delimiter;
        for (int trial = 0; trial < 50000; ++trial) {
            std::string line;
            if (coin(gen) == 0) line += ' ';
            const size_t n = width(gen);
            for (size_t i = 0; i < n; ++i) {
                if (i) line += gaps[pick_gap(gen)];
                // Mostly plain numbers, as real files hold.
                line += coin(gen) ? tokens[pick_token(gen) % 10] : tokens[pick_token(gen)];
            }
            if (coin(gen)) line += coin(gen) ? "\n" : "\r\n";
            settings.skip_columns = coin(gen) == 0 ? 2 : 0;
            ASSERT_EQ(scanline(line.c_str()), count_by_reading(line.c_str())) << "[" << line << "]";
        }
    }
    settings = vorn_variables{};
}

TEST_F(LineReader, RowsNoteTheFieldsThatPrintAsThemselves)
{
    temp_input t("1 2.50 -0 0.125 1e3 007 12345678 -12345678 x\n4,5\n");
    double row[9];
    field_text text[9];
    ASSERT_NE(readline(t.of, row, nullptr, 9, text), nullptr);
    const bool copied[9] = {true, false, true, true, false, false, true, false, false};
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(text[i].len != 0, copied[i]) << i;
        if (text[i].len) {
            EXPECT_EQ(std::memcmp(&text[i].value, &row[i], sizeof row[i]), 0) << i;
            char buf[32];
            EXPECT_EQ(std::string(text[i].text, text[i].len), std::string(buf, format_normal_double(buf, row[i])));
        }
    }
    ASSERT_NE(readline(t.of, row, nullptr, 3, text), nullptr);
    EXPECT_EQ(std::string(text[0].text, text[0].len), "4");
    EXPECT_EQ(std::string(text[1].text, text[1].len), "5");
    EXPECT_EQ(text[2].len, 0u) << "a missing column has no text";
}
