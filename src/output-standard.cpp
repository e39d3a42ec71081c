// The standard style (plain text rows) and the number printer every style shares.
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

// Writes n as decimal digits; returns the end.
constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes n as decimal digits; returns the end.
char* put_digits(char* p, uint64_t n)
{
    char tmp[24];
    char* t = tmp + sizeof tmp;
    while (n >= 100) {
        t -= 2;
        std::memcpy(t, digit_pairs + 2 * (n % 100), 2);
        n /= 100;
    }
    if (n >= 10) {
        t -= 2;
        std::memcpy(t, digit_pairs + 2 * n, 2);
    } else {
        *--t = static_cast<char>('0' + n);
    }
    const size_t len = static_cast<size_t>(tmp + sizeof tmp - t);
    std::memcpy(p, t, len);
    return p + len;
}

// round(a * 10^6) for 0 <= a < 1e9, with the exact binary value rounded half to even, as the
// C library does for "%f".
uint64_t micro_units(double a)
{
    // Below 1e9 the product has an error of at most 1/16: unless its fraction lies near one
    // half, rounding it gives the same whole number as rounding the exact product.
    const double t = a * 1e6;
    const double whole = std::floor(t);
    const double fraction = t - whole;
    if (fraction < 0.375) return static_cast<uint64_t>(whole);
    if (fraction > 0.625) return static_cast<uint64_t>(whole) + 1;
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

}  // namespace

char* format_g(char* buf, double var, int precision)
{
    if (!std::isfinite(var)) return buf + std::snprintf(buf, 40, "%.*g", precision, var);
    return std::to_chars(buf, buf + 40, var, std::chars_format::general, precision).ptr;
}

char* format_normal_double(char* buf, double var)
{
    if (!std::isfinite(var)) return buf + std::snprintf(buf, 32, "%f", var);
    const double a = std::fabs(var);
    // From 1e9 up, "%f" needs at least 17 characters: the long form is used.
    if (a >= 1e9) return format_g(buf, var, 17);
    const uint64_t units = micro_units(a);
    const uint64_t whole = units / 1000000;
    const uint64_t frac = units % 1000000;
    char* p = buf;
    if (std::signbit(var)) *p++ = '-';
    p = put_digits(p, whole);
    if (p - buf + 7 > 15) return format_g(buf, var, 17);
    if (frac != 0) {
        char digits[6];
        std::memcpy(digits + 4, digit_pairs + 2 * (frac % 100), 2);
        std::memcpy(digits + 2, digit_pairs + 2 * (frac / 100 % 100), 2);
        std::memcpy(digits, digit_pairs + 2 * (frac / 10000), 2);
        int len = 6;
        while (digits[len - 1] == '0') --len;
        *p++ = '.';
        std::memcpy(p, digits, static_cast<size_t>(len));
        p += len;
    }
    return p;
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
                       printdouble_original, standard_column_separator, standard_line_end};

void set_output_standard()
{
    output = {standard_prolog,      standard_epilog,           standard_output_comment, standard_line_start,
              printdouble_original, standard_column_separator, standard_line_end};
}
