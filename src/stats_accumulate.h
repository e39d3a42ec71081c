// The arithmetic of the summaries: exact sums of doubles, the mean and variance rounded once from
// them, moments about the running mean, and order statistics picked from sorted values.
#pragma once
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

// ---- Exact sums ----------------------------------------------------------------------------------

// A whole number scaled by a power of two, sign and magnitude: value = ±digits · 2^low, digits
// in base 2^32, least significant first.
struct scaled_integer {
    std::vector<uint32_t> digits;
    int low = 0;
    bool negative = false;
};

// The exact sum of finite doubles, as a fixed-point number whose units are 2^-1074 (the smallest
// double): chunk i holds 32 bits of weight 2^(32 i - 1074) and 31 bits of room for carries that
// are settled only every 2^30 additions. Adding costs a few integer operations; nothing rounds.
class exact_sum {
public:
    static constexpr int LOW = -1074;
    // Bits from 2^-1074 to 2^1024, three chunks for the last value's spread and room for the
    // sum of 2^64 values of the largest magnitude.
    static constexpr size_t CHUNKS = 72;

    void add(double x)
    {
        const uint64_t bits = std::bit_cast<uint64_t>(x);
        uint64_t e = (bits >> 52) & 0x7ff;
        uint64_t m = bits & ((uint64_t{1} << 52) - 1);
        if (e != 0)
            m |= uint64_t{1} << 52;
        else
            e = 1;  // a subnormal number has the smallest exponent, without the hidden bit
        const unsigned pos = static_cast<unsigned>(e - 1);  // the bit of m's unit above 2^-1074
        const unsigned i = pos >> 5, s = pos & 31;
        const uint64_t low32 = static_cast<uint32_t>(m << s);
        const uint64_t above = m >> (32 - s);                    // the bits of m << s from bit 32 up
        const int64_t sign = -static_cast<int64_t>(bits >> 63);  // 0 or -1
        chunk_[i] += (static_cast<int64_t>(low32) ^ sign) - sign;
        chunk_[i + 1] += (static_cast<int64_t>(above & 0xffffffff) ^ sign) - sign;
        chunk_[i + 2] += (static_cast<int64_t>(above >> 32) ^ sign) - sign;
        if (++adds_ == (uint32_t{1} << 30)) carry();
    }
    // The exact sum.
    scaled_integer value() const;

private:
    void carry();
    int64_t chunk_[CHUNKS] = {};
    uint32_t adds_ = 0;
};

// The number rounded to the nearest double, ties to even; `inexact` says that nonzero bits
// below the number's last digit were dropped before (they break a tie upwards).
double to_double(const scaled_integer& x, bool inexact = false);

// sum / n rounded once (n > 0).
double exact_quotient(const scaled_integer& sum, uint64_t n);
// The sum of squared deviations from the mean, divided by `divisor` and rounded once, from the
// exact sum and the exact sum of squares of n values: (n·squares − sum²) / (n·divisor).
double exact_deviation_ratio(const scaled_integer& sum, const scaled_integer& squares, uint64_t n, uint64_t divisor);

// x·x as an unevaluated sum hi + lo, exact unless the product underflows.
inline void square_parts(double x, double& hi, double& lo)
{
    hi = x * x;
    lo = std::fma(x, x, -hi);
}

// ---- Moments ---------------------------------------------------------------------------------------

// The mean and the sums of the second, third and fourth powers of the deviations from it, updated
// value by value (no difference of large sums that cancel).
struct running_moments {
    double n = 0, mean = 0, m2 = 0, m3 = 0, m4 = 0;
    void add(double x)
    {
        const double n1 = n;
        n += 1;
        const double delta = x - mean;
        const double dn = delta / n;
        const double dn2 = dn * dn;
        const double term = delta * dn * n1;
        mean += dn;
        m4 += term * dn2 * (n * n - 3 * n + 3) + 6 * dn2 * m2 - 4 * dn * m3;
        m3 += term * dn * (n - 2) - 3 * dn * m2;
        m2 += term;
    }
};

// ---- Order statistics ------------------------------------------------------------------------------

// The position (n - 1)·p between the order statistics x[0] ≤ … ≤ x[n-1] (n > 0, 0 ≤ p ≤ 1).
struct quantile_position {
    uint64_t below;   // x[below] …
    double fraction;  // … and the share of the way to x[below + 1] (0 when there is none)
};
quantile_position position_of(uint64_t n, double p);
// The value `fraction` of the way from a to b (type 7: linear between order statistics).
double interpolate(double a, double b, double fraction);

// Walks sorted values once, keeping the values at the ranks asked for and the most and the least
// frequent value (on a tie the smallest of them).
class sorted_walk {
public:
    explicit sorted_walk(std::vector<uint64_t> ranks);  // ranks ascending, without repeats
    void add(double v)
    {
        if (next_ < ranks_.size() && ranks_[next_] == index_) values_[next_++] = v;
        ++index_;
        if (run_ > 0 && v == run_value_) {
            ++run_;
            return;
        }
        close_run();
        run_value_ = v;
        run_ = 1;
    }
    void end() { close_run(); }
    const std::vector<uint64_t>& ranks() const { return ranks_; }
    // Sets the value at rank r (one of the ranks asked for) without walking to it.
    void place(uint64_t r, double v);
    // The value at rank r (one of the ranks asked for).
    double at(uint64_t r) const;
    double mode() const { return mode_; }
    double antimode() const { return antimode_; }

private:
    void close_run();
    std::vector<uint64_t> ranks_;
    std::vector<double> values_;
    size_t next_ = 0;
    uint64_t index_ = 0;
    double run_value_ = 0;
    uint64_t run_ = 0;
    uint64_t most_ = 0, least_ = std::numeric_limits<uint64_t>::max();
    double mode_ = std::numeric_limits<double>::quiet_NaN();
    double antimode_ = std::numeric_limits<double>::quiet_NaN();
};

// The order key of a double that is not NaN: keys compare as the values do (-0 as 0), and the
// value comes back from its key.
inline uint64_t value_key(double v)
{
    const uint64_t bits = std::bit_cast<uint64_t>(v == 0 ? 0.0 : v);
    return bits >> 63 ? ~bits : bits | (uint64_t{1} << 63);
}
inline double key_value(uint64_t key) { return std::bit_cast<double>(key >> 63 ? key & ~(uint64_t{1} << 63) : ~key); }
