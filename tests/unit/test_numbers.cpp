// The number reader's short-decimal path against the C library's scan on random decimal text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "utils.h"

namespace {

// The number reader takes what the library's "%lf" scan takes, and reads the same value bit for bit.
void expect_read_as_the_library_reads(const std::string& s)
{
    double want = 0, got = 0;
    int used = -1;
    const int matched = std::sscanf(s.c_str(), "%lf%n", &want, &used);
    const char* end = read_double(s.c_str(), s.c_str() + s.size(), &got);
    if (matched != 1) {
        ASSERT_EQ(end, nullptr) << s;
        return;
    }
    ASSERT_NE(end, nullptr) << s;
    ASSERT_EQ(end - s.c_str(), used) << s;
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << s << " read " << got << " wanted " << want;
}

}  // namespace

TEST(NumberReading, AwkwardTextsReadAsTheLibraryReadsThem)
{
    for (const char* s :
         {"0", "-0", "1.5", "-2.25e-3", ".5", "5.", "1e", "1e+", "1e+5x", "12abc", "+7", "inf", "-infinity", "nan",
          "0x1A", "0x", "1e999", "1e-400", "123456789012345678901234567890", "-", ".", "-.", "1.2.3", "4,5", "0.1e-2,",
          // the library reads a NaN without its parenthesised suffix
          "-nan(1)", "-nan(abc) 2", "nan(7)", "-inf(", "-NaN()"})
        expect_read_as_the_library_reads(s);
}

TEST(NumberReading, RandomDecimalsReadAsTheLibraryReadsThem)
{
    std::mt19937_64 gen(2026);
    std::uniform_int_distribution<int> ndigits(1, 21), digit(0, 9), coin(0, 3), expo(-30, 30);
    for (int n = 0; n < 300000; ++n) {
        std::string s;
        if (coin(gen) == 0) s += '-';
        const int whole = ndigits(gen) % 12;
        for (int i = 0; i < whole; ++i) s += static_cast<char>('0' + digit(gen));
        if (coin(gen) != 0) {
            s += '.';
            const int frac = ndigits(gen);
            for (int i = 0; i < frac; ++i) s += static_cast<char>('0' + digit(gen));
        }
        if (coin(gen) == 0) {
            s += coin(gen) ? 'e' : 'E';
            s += std::to_string(expo(gen));
        }
        // What follows the number: white space, a comma, more digits after a blank, letters,
        // signs, bytes beyond ASCII.
        static const char* const after[] = {"", " ", " ", ",", "x", "+1", " 12345678", "\xfa\xff", "9\t"};
        s += after[(n * 7 + coin(gen)) % std::size(after)];
        expect_read_as_the_library_reads(s);
        if (HasFatalFailure()) return;
    }
}

TEST(NumberReading, RowsReadTheirNumbersAsTheLibraryReadsThem)
{
    // The row reader scans up to the line's terminator; the same random texts, one per line.
    std::mt19937_64 gen(2027);
    std::uniform_int_distribution<int> ndigits(0, 21), digit(0, 9), coin(0, 3);
    static const char* const after[] = {"", " 5", ",7", "x", "e", "e+", ".", "-", "+2"};
    std::vector<std::string> texts;
    std::string file;
    for (int n = 0; n < 20000; ++n) {
        std::string s;
        if (coin(gen) == 0) s += '-';
        for (int i = ndigits(gen) % 12; i > 0; --i) s += static_cast<char>('0' + digit(gen));
        if (coin(gen) != 0) s += '.';
        for (int i = ndigits(gen) % 10; i > 0; --i) s += static_cast<char>('0' + digit(gen));
        if (coin(gen) == 0) s += (coin(gen) ? "e" : "E-") + std::to_string(ndigits(gen));
        s += after[static_cast<size_t>(n) % std::size(after)];
        texts.push_back(s);
        file += "1 " + s + "\n";  // a leading digit keeps every line a data line
    }
    FILE* f = std::tmpfile();
    std::fwrite(file.data(), 1, file.size(), f);
    std::rewind(f);
    open__files of;
    of.in = f;
    double row[2];
    for (const std::string& s : texts) {
        ASSERT_NE(readline(of, row, nullptr, 2), nullptr);
        // Commas before a number separate it as blanks do.
        const size_t start = s.find_first_not_of(", ");
        double want = 0;
        if (start == std::string::npos || std::sscanf(s.c_str() + start, "%lf", &want) != 1) want = 0;
        ASSERT_EQ(std::memcmp(&row[1], &want, sizeof want), 0) << s << " read " << row[1] << " wanted " << want;
    }
}
