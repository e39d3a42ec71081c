// Exact sums and the numbers rounded once from them; moments and order statistics.
#include "stats_accumulate.h"

#include <algorithm>
#include <cmath>

namespace {

using u128 = unsigned __int128;

void trim(scaled_integer& x)
{
    while (!x.digits.empty() && x.digits.back() == 0) x.digits.pop_back();
}

bool is_zero(const scaled_integer& x)
{
    return std::all_of(x.digits.begin(), x.digits.end(), [](uint32_t d) { return d == 0; });
}

// Magnitudes only: a · b.
scaled_integer multiply(const scaled_integer& a, const scaled_integer& b)
{
    scaled_integer r;
    r.low = a.low + b.low;
    r.digits.assign(a.digits.size() + b.digits.size() + 1, 0);
    for (size_t i = 0; i < a.digits.size(); ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < b.digits.size(); ++j) {
            const uint64_t t = static_cast<uint64_t>(a.digits[i]) * b.digits[j] + r.digits[i + j] + carry;
            r.digits[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        for (size_t k = i + b.digits.size(); carry; ++k) {
            const uint64_t t = static_cast<uint64_t>(r.digits[k]) + carry;
            r.digits[k] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
    }
    trim(r);
    return r;
}

scaled_integer multiply(const scaled_integer& a, uint64_t n)
{
    scaled_integer b;
    b.digits = {static_cast<uint32_t>(n), static_cast<uint32_t>(n >> 32)};
    return multiply(a, b);
}

// The same number with its unit 2^bits times smaller (more digits below the point).
scaled_integer widen(const scaled_integer& x, int bits)
{
    scaled_integer r;
    r.negative = x.negative;
    r.low = x.low - bits;
    const size_t whole = static_cast<size_t>(bits / 32);
    const unsigned part = static_cast<unsigned>(bits % 32);
    r.digits.assign(whole + x.digits.size() + 1, 0);
    for (size_t i = 0; i < x.digits.size(); ++i) {
        const uint64_t t = static_cast<uint64_t>(x.digits[i]) << part;
        r.digits[whole + i] |= static_cast<uint32_t>(t);
        r.digits[whole + i + 1] |= static_cast<uint32_t>(t >> 32);
    }
    trim(r);
    return r;
}

// Magnitudes with the same unit: a - b, with the sign of the result.
scaled_integer subtract(const scaled_integer& a, const scaled_integer& b)
{
    const auto less = [](const scaled_integer& x, const scaled_integer& y) {
        if (x.digits.size() != y.digits.size()) return x.digits.size() < y.digits.size();
        return std::lexicographical_compare(x.digits.rbegin(), x.digits.rend(), y.digits.rbegin(), y.digits.rend());
    };
    const bool swap = less(a, b);
    const scaled_integer& big = swap ? b : a;
    const scaled_integer& small = swap ? a : b;
    scaled_integer r = big;
    r.negative = swap;
    int64_t borrow = 0;
    for (size_t i = 0; i < r.digits.size(); ++i) {
        int64_t t = static_cast<int64_t>(r.digits[i]) - borrow - (i < small.digits.size() ? small.digits[i] : 0);
        borrow = t < 0;
        if (t < 0) t += int64_t{1} << 32;
        r.digits[i] = static_cast<uint32_t>(t);
    }
    trim(r);
    return r;
}

// x / n, rounded down; returns whether a remainder was left.
bool divide(scaled_integer& x, uint64_t n)
{
    u128 rest = 0;
    for (size_t i = x.digits.size(); i-- > 0;) {
        const u128 cur = (rest << 32) | x.digits[i];
        x.digits[i] = static_cast<uint32_t>(cur / n);
        rest = cur % n;
    }
    trim(x);
    return rest != 0;
}

}  // namespace

void exact_sum::carry()
{
    for (size_t i = 0; i + 1 < CHUNKS; ++i) {
        const int64_t c = chunk_[i] >> 32;  // rounds down, so the chunk keeps its low 32 bits
        chunk_[i] &= 0xffffffff;
        chunk_[i + 1] += c;
    }
    adds_ = 0;
}

scaled_integer exact_sum::value() const
{
    exact_sum copy = *this;
    copy.carry();
    scaled_integer r;
    r.low = LOW;
    r.negative = copy.chunk_[CHUNKS - 1] < 0;
    if (r.negative) {
        for (int64_t& c : copy.chunk_) c = -c;
        copy.carry();
    }
    r.digits.resize(CHUNKS);
    for (size_t i = 0; i < CHUNKS; ++i) r.digits[i] = static_cast<uint32_t>(copy.chunk_[i]);
    trim(r);
    return r;
}

double to_double(const scaled_integer& x, bool inexact)
{
    size_t top = x.digits.size();
    while (top > 0 && x.digits[top - 1] == 0) --top;
    if (top == 0) return x.negative ? -0.0 : 0.0;
    const size_t t = top - 1;
    // The top three digits, and whether anything below them is set.
    u128 m = 0;
    for (size_t k = 0; k < 3; ++k) {
        m <<= 32;
        if (t >= k) m |= x.digits[t - k];
    }
    bool sticky = inexact;
    for (size_t i = 0; i + 2 < t; ++i) sticky |= x.digits[i] != 0;
    const int exponent = x.low + 32 * (static_cast<int>(t) - 2);  // the weight of m's unit
    const int bits = 128 - (m >> 64 ? std::countl_zero(static_cast<uint64_t>(m >> 64))
                                    : 64 + std::countl_zero(static_cast<uint64_t>(m)));
    int shift = bits - 53;
    if (exponent + shift < -1074) shift = -1074 - exponent;  // a subnormal result
    u128 q;
    if (shift <= 0) {
        q = m << -shift;
    } else if (shift >= 128) {
        q = 0;
    } else {
        q = m >> shift;
        const u128 rest = m & ((u128{1} << shift) - 1);
        const u128 half = u128{1} << (shift - 1);
        if (rest > half || (rest == half && (sticky || (q & 1)))) ++q;
    }
    const double r = std::ldexp(static_cast<double>(static_cast<uint64_t>(q)), exponent + shift);
    return x.negative ? -r : r;
}

double exact_quotient(const scaled_integer& sum, uint64_t n)
{
    // 64 more bits below the unit keep the quotient's digits beyond a double's.
    scaled_integer q = widen(sum, 64);
    const bool inexact = divide(q, n);
    return to_double(q, inexact);
}

double exact_deviation_ratio(const scaled_integer& sum, const scaled_integer& squares, uint64_t n, uint64_t divisor)
{
    scaled_integer s2 = multiply(sum, sum);
    scaled_integer nq = widen(multiply(squares, n), squares.low - s2.low);
    nq.low = s2.low;
    scaled_integer d = subtract(nq, s2);
    if (d.negative) return 0;  // only when squares of tiny values lost their last bits
    d = widen(d, 64);
    bool inexact = divide(d, n);
    inexact |= divide(d, divisor);
    return is_zero(d) && !inexact ? 0.0 : to_double(d, inexact);
}

quantile_position position_of(uint64_t n, double p)
{
    const double h = static_cast<double>(n - 1) * p;
    const double below = std::floor(h);
    auto b = static_cast<uint64_t>(below);
    if (b >= n - 1) return {n - 1, 0.0};
    return {b, h - below};
}

double interpolate(double a, double b, double fraction)
{
    if (fraction == 0 || a == b) return a;
    if (std::isinf(a) || std::isinf(b)) return (1 - fraction) * a + fraction * b;
    const double d = b - a;
    // From the nearer end, so that the value stays between a and b.
    return fraction < 0.5 ? a + d * fraction : b - d * (1 - fraction);
}

sorted_walk::sorted_walk(std::vector<uint64_t> ranks) : ranks_(std::move(ranks)), values_(ranks_.size(), 0.0) {}

double sorted_walk::at(uint64_t r) const
{
    const auto it = std::lower_bound(ranks_.begin(), ranks_.end(), r);
    return values_[static_cast<size_t>(it - ranks_.begin())];
}

void sorted_walk::place(uint64_t r, double v)
{
    const auto it = std::lower_bound(ranks_.begin(), ranks_.end(), r);
    values_[static_cast<size_t>(it - ranks_.begin())] = v;
}

void sorted_walk::close_run()
{
    if (run_ == 0) return;
    // Values come in ascending order: on a tie the earlier, smaller value stays.
    if (run_ > most_) {
        most_ = run_;
        mode_ = run_value_;
    }
    if (run_ < least_) {
        least_ = run_;
        antimode_ = run_value_;
    }
    run_ = 0;
}
