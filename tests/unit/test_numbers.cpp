// The number reader's short-decimal path against the C library's scan on random decimal text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "utils.h"

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
        double want = 0, got = 0;
        int used = -1;
        const int matched = std::sscanf(s.c_str(), "%lf%n", &want, &used);
        const char* end = read_double(s.c_str(), s.c_str() + s.size(), &got);
        if (matched != 1) {
            ASSERT_EQ(end, nullptr) << s;
            continue;
        }
        ASSERT_NE(end, nullptr) << s;
        ASSERT_EQ(end - s.c_str(), used) << s;
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << s << " read " << got << " wanted " << want;
    }
}
