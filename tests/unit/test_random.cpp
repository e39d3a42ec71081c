// The subtractive generator: its exact sequence, its seeding rules and its range.
#include <gtest/gtest.h>

#include <vector>

#include "ran3.h"

namespace {

// The generator returns its 9-digit state value scaled by 1e-9, rounded to single precision.
float scaled(long mj) { return static_cast<float>(mj * (1.0 / 1000000000)); }

std::vector<float> draws(long* idum, int n)
{
    std::vector<float> v;
    for (int i = 0; i < n; ++i) v.push_back(ran3(idum));
    return v;
}

TEST(Ran3, SequenceFromTheStartingStateWord)
{
    long idum = -1;
    const std::vector<float> expected{scaled(298227348), scaled(715119168), scaled(33021107),  scaled(874393600),
                                      scaled(534194424), scaled(631586247), scaled(891029795), scaled(257547683),
                                      scaled(931635120), scaled(277246342)};
    EXPECT_EQ(draws(&idum, 10), expected);
    // Initialising leaves the state word at 1, and positive words continue the sequence.
    EXPECT_EQ(idum, 1);
    for (int i = 10; i < 999; ++i) ran3(&idum);
    EXPECT_EQ(ran3(&idum), scaled(451596420)) << "the 1000th draw (the table wraps many times)";
    EXPECT_EQ(idum, 1);
}

TEST(Ran3, NegativeStateWordRestartsTheSequence)
{
    long idum = -1;
    const auto first = draws(&idum, 5);
    draws(&idum, 17);
    idum = -1;
    EXPECT_EQ(draws(&idum, 5), first);
    // The magnitude of the word is the seed: -1 and 1 differ only in that 1 does not reinitialise.
    idum = -12345;
    EXPECT_EQ(draws(&idum, 3), (std::vector<float>{scaled(860606660), scaled(925464728), scaled(418061483)}));
}

TEST(Ran3, SeedAboveTheBaseKeepsTheSignOfTheRemainder)
{
    // 161803398 - 200000000 leaves a negative starting value; it is not made positive.
    long idum = -200000000;
    EXPECT_EQ(draws(&idum, 3), (std::vector<float>{scaled(133923850), scaled(323008803), scaled(201103978)}));
    // A difference of exactly the base leaves 0.
    idum = -1161803398;
    EXPECT_EQ(draws(&idum, 3), (std::vector<float>{scaled(613610054), scaled(771029073), scaled(127708320)}));
}

TEST(Ran3, ValuesStayInTheUnitInterval)
{
    long idum = -7;
    double sum = 0;
    const int n = 100000;
    for (int i = 0; i < n; ++i) {
        const float r = ran3(&idum);
        ASSERT_GE(r, 0.0f);
        ASSERT_LE(r, 1.0f);
        sum += r;
    }
    EXPECT_NEAR(sum / n, 0.5, 0.01);
}

}  // namespace
