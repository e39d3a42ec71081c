// The pieces of the plot that know nothing of files (see plot.h).
#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plot.h"

namespace {

// Reads "LO:HI" (two numbers, LO below HI); false when it is not that.
bool read_range(const char* s, double& lo, double& hi)
{
    char* end = nullptr;
    lo = std::strtod(s, &end);
    if (end == s || *end != ':') return false;
    const char* second = end + 1;
    hi = std::strtod(second, &end);
    return end != second && *end == '\0' && std::isfinite(lo) && std::isfinite(hi) && lo < hi;
}

}  // namespace

std::string parse_plot_style(const char* arg, plot_style& style)
{
    if (!arg) return {};
    const std::string all(arg);
    size_t start = 0;
    while (start <= all.size()) {
        size_t comma = all.find(',', start);
        if (comma == std::string::npos) comma = all.size();
        const std::string word = all.substr(start, comma - start);
        start = comma + 1;
        if (word == "lines" || word == "line") {
            style.points = false;
        } else if (word == "points" || word == "point") {
            style.points = true;
        } else if (word == "xy") {
            style.xy = true;
        } else if (word.starts_with("x=") && read_range(word.c_str() + 2, style.x_lo, style.x_hi)) {
            style.x_range = true;
        } else if (word.starts_with("y=") && read_range(word.c_str() + 2, style.y_lo, style.y_hi)) {
            style.y_range = true;
        } else if (!word.empty()) {
            return word;
        }
    }
    return {};
}

plot_axis round_axis(double lo, double hi, int target, bool extend)
{
    plot_axis a;
    if (!(lo < hi)) {
        // One value: an axis around it, a tenth of its size (or 1 around 0) either way.
        const double half = lo == 0 ? 1 : std::fabs(lo) / 10;
        lo -= half;
        hi += half;
    }
    a.lo = lo;
    a.hi = hi;
    double span = hi / 2 - lo / 2;  // half the span: finite even for the widest ranges
    const double raw = span / (target > 0 ? target : 1) * 2;
    if (!std::isfinite(raw) || raw <= 0) {
        a.ticks = {lo, hi};
        a.step = hi - lo;
        return a;
    }
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    double step = (norm < 1.5 ? 1 : norm < 3.5 ? 2 : norm < 7.5 ? 5 : 10) * magnitude;
    if (!std::isfinite(step) || step <= 0) step = raw;
    a.step = step;
    double first = std::ceil(lo / step - 1e-9);
    double last = std::floor(hi / step + 1e-9);
    if (extend) {
        first = std::floor(lo / step + 1e-9);
        last = std::ceil(hi / step - 1e-9);
        // Growing past the largest double leaves the axis at the range's own end.
        if (std::isfinite(first * step)) a.lo = first * step;
        if (std::isfinite(last * step)) a.hi = last * step;
    }
    for (double k = first; k <= last && a.ticks.size() < 100; ++k) {
        double v = k * step;
        if (std::fabs(v) < step * 1e-9) v = 0;
        if (std::isfinite(v) && v >= a.lo && v <= a.hi) a.ticks.push_back(v);
    }
    return a;
}

std::string tick_label(const plot_axis& a, double v)
{
    char text[64];
    const double biggest = std::fmax(std::fabs(a.lo), std::fabs(a.hi));
    const int step_digit = static_cast<int>(std::floor(std::log10(a.step) + 1e-9));
    if (step_digit >= -6 && biggest < 1e9) {
        const int decimals = step_digit < 0 ? -step_digit : 0;
        std::snprintf(text, sizeof text, "%.*f", decimals, v);
    } else {
        // Digits from the largest value's down to the step's.
        const int top = biggest > 0 ? static_cast<int>(std::floor(std::log10(biggest))) : 0;
        int digits = top - step_digit + 1;
        digits = digits < 1 ? 1 : digits > 17 ? 17 : digits;
        std::snprintf(text, sizeof text, "%.*g", digits, v);
    }
    // "-0" is 0.
    if (std::strspn(text, "-0.") == std::strlen(text) && text[0] == '-') return text + 1;
    return text;
}

void column_summary::merge(const column_summary& next)
{
    if (next.finite == 0) {
        gap_after = gap_after || next.gap_before || next.gap_after;
        if (finite == 0) gap_before = gap_after;
        return;
    }
    if (finite == 0) {
        const bool gap = gap_before || gap_after;
        *this = next;
        gap_before = gap || next.gap_before;
        return;
    }
    if (next.min < min) min = next.min;
    if (next.max > max) max = next.max;
    last = next.last;
    finite += next.finite;
    gap_after = next.gap_after;
}

row_reducer::row_reducer(size_t capacity) : capacity_(capacity < 2 ? 2 : capacity + capacity % 2)
{
    cols_.reserve(capacity_);
}

void row_reducer::start_column()
{
    if (cols_.size() == capacity_) {
        // Every column is full and their number is even: merge neighbours.
        for (size_t i = 0; i < capacity_ / 2; ++i) {
            column_summary merged = cols_[2 * i];
            merged.merge(cols_[2 * i + 1]);
            cols_[i] = merged;
        }
        cols_.resize(capacity_ / 2);
        width_ *= 2;
    }
    cols_.emplace_back();
    in_last_ = 0;
}

braille_canvas::braille_canvas(size_t cells_wide, size_t cells_high)
    : w_(cells_wide), h_(cells_high), bits_(w_ * h_, 0), owner_(w_ * h_, 0)
{
}

void braille_canvas::dot(long x, long y, unsigned series)
{
    if (x < 0 || y < 0 || static_cast<size_t>(x) >= dots_wide() || static_cast<size_t>(y) >= dots_high()) return;
    // Dots 1-3 and 7 down the left column, 4-6 and 8 down the right.
    static constexpr uint8_t dots[2][4] = {{0x01, 0x02, 0x04, 0x40}, {0x08, 0x10, 0x20, 0x80}};
    const size_t cell = static_cast<size_t>(y / 4) * w_ + static_cast<size_t>(x / 2);
    bits_[cell] |= dots[x % 2][y % 4];
    owner_[cell] = series;
}

void braille_canvas::line(long x0, long y0, long x1, long y1, unsigned series)
{
    const long dx = std::labs(x1 - x0), dy = -std::labs(y1 - y0);
    const long sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    long err = dx + dy;
    for (;;) {
        dot(x0, y0, series);
        if (x0 == x1 && y0 == y1) return;
        const long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

std::string braille_char(uint8_t bits)
{
    const unsigned code = 0x2800u + bits;
    return {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)),
            static_cast<char>(0x80 | (code & 0x3F))};
}
