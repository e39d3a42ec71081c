// The standard style (plain text rows), and the number printer and row writer every style shares.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "output.h"
#include "vorn_variables.h"

namespace {

int standard_prolog(FILE* out, size_t /*nr*/, size_t lines)
{
    if (lines != 0) std::fprintf(out, "%lu\n", static_cast<unsigned long>(lines));
    return 0;
}
int standard_epilog(FILE* /*out*/) { return 0; }
int standard_output_comment(FILE* out, const char* comment)
{
    std::fprintf(out, "%s\n", comment);
    return 0;
}
int standard_line_start(FILE* /*out*/) { return 0; }
int standard_column_separator(FILE* out)
{
    putc_unlocked(settings.separator, out);
    return 0;
}
int standard_line_end(FILE* out)
{
    putc_unlocked('\n', out);
    return 0;
}
void standard_row(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text)
{
    write_row(out, var, vars, flag, text, {"", 0, &settings.separator, 1, "\n", 1});
}

constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

constexpr uint64_t powers_of_ten[20] = {1ull,
                                        10ull,
                                        100ull,
                                        1000ull,
                                        10000ull,
                                        100000ull,
                                        1000000ull,
                                        10000000ull,
                                        100000000ull,
                                        1000000000ull,
                                        10000000000ull,
                                        100000000000ull,
                                        1000000000000ull,
                                        10000000000000ull,
                                        100000000000000ull,
                                        1000000000000000ull,
                                        10000000000000000ull,
                                        100000000000000000ull,
                                        1000000000000000000ull,
                                        10000000000000000000ull};

// Number of decimal digits of n (1 for 0).
inline int digit_count(uint64_t n)
{
    n |= 1;  // the same count for every n but 0, which gets one digit
    const int bits = 64 - std::countl_zero(n);
    const int guess = (bits * 1233) >> 12;  // floor(bits * log10(2)), never too big
    return guess + (n >= powers_of_ten[guess] ? 1 : 0);
}

// Writes exactly `count` digits of n (the lowest ones, leading zeros included) ending at p + count.
inline void put_digits_exact(char* p, uint64_t n, int count)
{
    char* t = p + count;
    while (count >= 2) {
        t -= 2;
        std::memcpy(t, digit_pairs + 2 * (n % 100), 2);
        n /= 100;
        count -= 2;
    }
    if (count) *--t = static_cast<char>('0' + n % 10);
}

// Writes n as decimal digits; returns the end.
inline char* put_digits(char* p, uint64_t n)
{
    const int count = digit_count(n);
    put_digits_exact(p, n, count);
    return p + count;
}

// round(a * 10^6) for 0 <= a < 1e9, with the exact binary value rounded half to even, as the
// C library does for "%f".
uint64_t micro_units(double a)
{
    // The product is off the exact one by at most half a unit in its last place, t * 2^-53;
    // the fraction is exact. Unless the fraction lies within that much (eight times, to spare)
    // of one half, rounding t gives the same whole number as rounding the exact product.
    const double t = a * 1e6;
    const uint64_t whole = static_cast<uint64_t>(t);
    const double fraction = t - static_cast<double>(whole);
    if (std::fabs(fraction - 0.5) > t * 0x1p-50) return whole + (fraction > 0.5 ? 1 : 0);
    // a = m * 2^e exactly, from the bits of the double (subnormals have no hidden bit).
    const uint64_t bits = std::bit_cast<uint64_t>(a);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    uint64_t m = bits & ((uint64_t{1} << 52) - 1);
    int e = -1074;
    if (biased != 0) {
        m |= uint64_t{1} << 52;
        e = biased - 1075;
    }
    if (m == 0) return 0;
    const unsigned __int128 p = static_cast<unsigned __int128>(m) * 1000000u;
    if (e >= 0) return static_cast<uint64_t>(p << e);
    const int s = -e;
    if (s >= 127) return 0;  // far below half a unit
    const unsigned __int128 q = p >> s;
    const unsigned __int128 r = p - (q << s);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (s - 1);
    uint64_t n = static_cast<uint64_t>(q);
    if (r > half || (r == half && (n & 1))) ++n;
    return n;
}

constexpr uint64_t ZEROS = 0x3030303030303030ull;  // eight '0' characters

// The eight decimal digits of x < 10^8 (leading zeros included) as one word of digit values
// 0..9, the first digit in the lowest byte: two halves of four digits, each split into two
// pairs, each pair into two digits, all lanes at once.
inline uint64_t eight_digits(uint64_t x)
{
    uint64_t v = (x / 10000) | ((x % 10000) << 32);
    uint64_t q = ((v * 5243) >> 19) & 0x0000007F0000007Full;  // n / 100 for n < 10000 per lane
    v = q | ((v - q * 100) << 16);
    q = ((v * 103) >> 10) & 0x000F000F000F000Full;  // m / 10 for m < 100 per lane
    return q | ((v - q * 10) << 8);
}

// The `precision` significant digits of a > 0 (finite, normal), rounded half to even from the
// exact binary value, with the decimal exponent of the first one: a ~ digits * 10^(exponent -
// precision + 1). False when a lies outside the range this exact integer method covers (below
// about 1e-5 or from 10^precision up); the caller then uses the general converter.
bool significant_digits(double a, int precision, uint64_t* digits, int* exponent)
{
    const uint64_t bits = std::bit_cast<uint64_t>(a);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0) return false;
    const uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    const int e = biased - 1075;              // a = m * 2^e
    int x = ((biased - 1023) * 78913) >> 18;  // floor(log10(a)), or one less
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int q = precision - 1 - x;  // digits = round(a * 10^q)
        if (q < 0 || q > 22) return false;
        // 10^q as a 128-bit integer; m * 10^q < 2^53 * 10^22 < 2^127.
        unsigned __int128 scaled = static_cast<unsigned __int128>(m) * powers_of_ten[q > 19 ? 19 : q];
        for (int k = 19; k < q; ++k) scaled *= 10u;
        unsigned __int128 r;
        if (e >= 0) {
            if (e > 10) return false;
            r = scaled << e;  // below 2^53 * 10 * 2^10: no overflow
        } else {
            const int s = -e;
            if (s >= 127) return false;
            r = scaled >> s;
            const unsigned __int128 rest = scaled - (r << s);
            const unsigned __int128 half = static_cast<unsigned __int128>(1) << (s - 1);
            if (rest > half || (rest == half && (r & 1))) ++r;
        }
        if (r >= powers_of_ten[precision]) {
            ++x;  // the guess was one too small, or rounding carried into a new digit
            continue;
        }
        if (r < powers_of_ten[precision - 1]) {
            --x;
            continue;
        }
        *digits = static_cast<uint64_t>(r);
        *exponent = x;
        return true;
    }
    return false;
}

}  // namespace

char* format_g(char* buf, double var, int precision)
{
    if (!std::isfinite(var)) return buf + std::snprintf(buf, 40, "%.*g", precision, var);
    uint64_t digits;
    int x;
    if (var == 0 || precision < 1 || precision > 19 || !significant_digits(std::fabs(var), precision, &digits, &x))
        return std::to_chars(buf, buf + 40, var, std::chars_format::general, precision).ptr;
    char* p = buf;
    if (std::signbit(var)) *p++ = '-';
    // Drop the trailing zeros: "%g" never shows them.
    int kept = precision;
    while (digits % 100 == 0 && kept > 2) {
        digits /= 100;
        kept -= 2;
    }
    if (digits % 10 == 0 && kept > 1) {
        digits /= 10;
        --kept;
    }
    if (x < -4 || x >= precision) {
        // d.ddde+XX
        char all[24];
        put_digits_exact(all, digits, kept);
        *p++ = all[0];
        if (kept > 1) {
            *p++ = '.';
            std::memcpy(p, all + 1, static_cast<size_t>(kept - 1));
            p += kept - 1;
        }
        *p++ = 'e';
        *p++ = x < 0 ? '-' : '+';
        const int ax = x < 0 ? -x : x;
        if (ax < 10) *p++ = '0';
        return put_digits(p, static_cast<uint64_t>(ax));
    }
    if (x < 0) {
        // 0.000ddd
        *p++ = '0';
        *p++ = '.';
        for (int k = -1; k > x; --k) *p++ = '0';
        put_digits_exact(p, digits, kept);
        return p + kept;
    }
    // x + 1 digits before the point, the kept rest after it.
    const int before = x + 1;
    if (kept <= before) {
        put_digits_exact(p, digits, kept);
        p += kept;
        for (int k = kept; k < before; ++k) *p++ = '0';
        return p;
    }
    put_digits_exact(p + 1, digits, kept);  // shifted by one to make room for the point
    std::memmove(p, p + 1, static_cast<size_t>(before));
    p[before] = '.';
    return p + kept + 1;
}

namespace {

// The normal form, expanded where the row writer uses it.
[[gnu::always_inline]] inline char* normal_form(char* buf, double var)
{
    static_assert(std::endian::native == std::endian::little,
                  "the digits are stored as little-endian words, first digit first");
    if (!std::isfinite(var)) return buf + std::snprintf(buf, 32, "%f", var);
    const double a = std::fabs(var);
    // From 1e8 up, "%f" needs at least 16 characters: the long form is used.
    if (a >= 1e8) return format_g(buf, var, 17);
    const bool negative = std::signbit(var);
    const uint64_t units = micro_units(a);
    const uint64_t whole = units / 1000000;
    const uint64_t frac = units % 1000000;
    // The "%f" text is sign, whole digits, '.' and six decimals: over 15 characters the long
    // form is used.
    if (whole >= (negative ? 10000000u : 100000000u)) return format_g(buf, var, 17);
    char* p = buf;
    *p = '-';
    p += negative;
    // The whole part without its leading zeros (one digit stays).
    const uint64_t w = eight_digits(whole);
    const int leading = std::countr_zero(w | (uint64_t{1} << 56)) >> 3;
    const uint64_t wtext = (w + ZEROS) >> (8 * leading);
    std::memcpy(p, &wtext, 8);
    p += 8 - leading;
    // '.' and six decimals with the trailing zeros dropped; nothing when all six are zero.
    const uint64_t f = eight_digits(frac * 100);
    const int len = frac != 0 ? 9 - (std::countl_zero(f) >> 3) : 0;
    const uint64_t ftext = f + ZEROS;
    *p = '.';
    std::memcpy(p + 1, &ftext, 8);
    return p + len;
}

}  // namespace

char* format_normal_double(char* buf, double var) { return normal_form(buf, var); }

// ---- Row writing: a whole row is formatted into one chunk of memory and handed to the stream in
// one write, so that the stream is called once per row instead of once per cell.

namespace {

// Room every cell may need in the chunk: the longest normal or long form (25 characters, as in
// "-2.22507385850720138e-308") and the longest punctuation, with some to spare.
constexpr size_t CELL_ROOM = 64;

class row_chunk {
public:
    explicit row_chunk(FILE* out) : out_(out) {}
    row_chunk(const row_chunk&) = delete;
    row_chunk& operator=(const row_chunk&) = delete;
    ~row_chunk() { flush(); }

    // A place for at most CELL_ROOM bytes; commit() says how many were written.
    char* room()
    {
        if (pos_ + CELL_ROOM > sizeof buf_) flush();
        return buf_ + pos_;
    }
    void commit(const char* end) { pos_ = static_cast<size_t>(end - buf_); }

    void put(const char* s, size_t n)
    {
        if (n > sizeof buf_ - pos_) flush();
        if (n > sizeof buf_) {
            fwrite_unlocked(s, 1, n, out_);
            return;
        }
        std::memcpy(buf_ + pos_, s, n);
        pos_ += n;
    }

    // A value in the user's format. Its width has no bound: a cell that does not fit in the
    // chunk goes to the stream directly.
    void put_special(double v)
    {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        size_t avail = sizeof buf_ - pos_;
        int n = std::snprintf(buf_ + pos_, avail, settings.format, v);
        if (n < 0) return;
        if (static_cast<size_t>(n) >= avail) {
            flush();
            avail = sizeof buf_;
            n = std::snprintf(buf_, avail, settings.format, v);
            if (n < 0) return;
            if (static_cast<size_t>(n) >= avail) {
                std::fprintf(out_, settings.format, v);
                return;
            }
        }
        pos_ += static_cast<size_t>(n);
#pragma GCC diagnostic pop
    }

    void flush()
    {
        if (pos_) fwrite_unlocked(buf_, 1, pos_, out_);
        pos_ = 0;
    }

private:
    FILE* out_;
    size_t pos_ = 0;
    char buf_[16384];
};

// Copies n (a few) bytes and returns the end.
inline char* put_small(char* p, const char* s, size_t n)
{
    if (n == 1) {
        *p = *s;
        return p + 1;
    }
    std::memcpy(p, s, n);
    return p + n;
}

inline bool same_bits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

enum class number_form { normal, long_all, long_one, user };

template <number_form Form>
void write_cells(row_chunk& chunk, const double* var, size_t vars, const char* flag, const field_text* text,
                 const row_punctuation& punct)
{
    const size_t long_column = static_cast<size_t>(settings.xtraprec);
    bool first = true;
    for (size_t i = 0; i < vars; ++i) {
        if (flag && flag[i]) continue;
        if constexpr (Form == number_form::user) {
            if (!first) chunk.put(punct.separator, punct.separator_len);
            chunk.put_special(var[i]);
        } else {
            char* p = chunk.room();
            if (!first) p = put_small(p, punct.separator, punct.separator_len);
            if constexpr (Form == number_form::long_all) {
                p = format_g(p, var[i], 18);
            } else {
                if (Form == number_form::long_one && i == long_column)
                    p = format_g(p, var[i], 18);
                else if (text && text[i].len && text[i].len <= 24 && same_bits(text[i].value, var[i]))
                    p = put_small(p, text[i].text, text[i].len);
                else
                    p = normal_form(p, var[i]);
            }
            chunk.commit(p);
        }
        first = false;
    }
}

}  // namespace

void write_row(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text,
               const row_punctuation& punct)
{
    row_chunk chunk(out);
    chunk.put(punct.start, punct.start_len);
    // The number form is chosen once per row, as printdouble_original chooses it per cell.
    if (settings.printspecial)
        write_cells<number_form::user>(chunk, var, vars, flag, text, punct);
    else if (settings.xtraprec == -1)
        write_cells<number_form::long_all>(chunk, var, vars, flag, text, punct);
    else if (settings.xtraprec >= 0)
        write_cells<number_form::long_one>(chunk, var, vars, flag, text, punct);
    else
        write_cells<number_form::normal>(chunk, var, vars, flag, text, punct);
    chunk.put(punct.end, punct.end_len);
}

int PrintNormalDouble(FILE* ut, double var)
{
    char buf[48];
    const char* end = format_normal_double(buf, var);
    fwrite_unlocked(buf, 1, static_cast<size_t>(end - buf), ut);
    return 0;
}

int PrintLongDouble(FILE* ut, double var)
{
    char buf[48];
    const char* end = format_g(buf, var, 18);
    fwrite_unlocked(buf, 1, static_cast<size_t>(end - buf), ut);
    return 0;
}

int PrintSpecialDouble(FILE* ut, double var)
{
    // The format was validated when it was given: one floating conversion and literal text.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::fprintf(ut, settings.format, var);
#pragma GCC diagnostic pop
    return 0;
}

int printdouble_original(FILE* out, size_t column, double value)
{
    if (settings.printspecial) return PrintSpecialDouble(out, value);
    if (settings.xtraprec == -1 || static_cast<long>(column) == settings.xtraprec) return PrintLongDouble(out, value);
    return PrintNormalDouble(out, value);
}

int is_format_flag(int c) { return c != 0 && std::strchr(" #0+-", c) != nullptr; }
int is_conv_spec(int c) { return c != 0 && std::strchr("EFGefg", c) != nullptr; }

namespace {

// Reads the digits of a width or precision. The C library counts what it prints in an int, so a
// number printed with a width or precision of a billion or more could not be printed at all:
// such a count is refused.
bool read_format_count(const char** p)
{
    constexpr unsigned long most = 999999999;
    unsigned long value = 0;
    for (; **p >= '0' && **p <= '9'; ++*p) {
        value = value * 10 + static_cast<unsigned long>(**p - '0');
        if (value > most) return false;
    }
    return true;
}

}  // namespace

int validate_double_format(const char* fmt)
{
    const char* p = fmt;
    // Find the conversion: a '%' that does not start a "%%" pair.
    for (;;) {
        p = std::strchr(p, '%');
        if (!p) return 1;
        if (p[1] == '%') {
            p += 2;
            continue;
        }
        break;
    }
    ++p;
    while (is_format_flag(static_cast<unsigned char>(*p))) ++p;
    if (!read_format_count(&p)) return 1;
    if (*p == '.') {
        ++p;
        if (!read_format_count(&p)) return 1;
    }
    if (!is_conv_spec(static_cast<unsigned char>(*p))) return 1;
    ++p;
    // The rest is literal text: every '%' must be doubled.
    while ((p = std::strchr(p, '%')) != nullptr) {
        if (p[1] != '%') return 1;
        p += 2;
    }
    return 0;
}

output_style output = {standard_prolog,      standard_epilog,           standard_output_comment, standard_line_start,
                       printdouble_original, standard_column_separator, standard_line_end,       standard_row};

void set_output_standard()
{
    output = {standard_prolog,      standard_epilog,           standard_output_comment, standard_line_start,
              printdouble_original, standard_column_separator, standard_line_end,       standard_row};
}
