// The pieces of the plot that know nothing of files: the style words, round axis ticks, the
// reduction of a long series to a few values per pixel column, and the braille canvas.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "operations.h"

// Reads the words of --plot=STYLE (separated by commas) into style. Returns the first word it
// does not know, or an empty string when every word was understood.
std::string parse_plot_style(const char* arg, plot_style& style);

// An axis from lo to hi with round tick values: 1, 2 or 5 times a power of ten apart.
struct plot_axis {
    double lo = 0;
    double hi = 1;
    double step = 1;
    std::vector<double> ticks;
};
// About `target` ticks over [lo, hi]. With `extend` the axis grows to the ticks just outside
// the range, so that the ticks cover it; otherwise it is exactly [lo, hi]. An empty range
// (lo == hi) is widened around its value first.
plot_axis round_axis(double lo, double hi, int target, bool extend);
// Where v stands on the axis: 0 at lo, 1 at hi (also for ranges too wide for a double).
inline double axis_fraction(const plot_axis& a, double v) { return (v / 2 - a.lo / 2) / (a.hi / 2 - a.lo / 2); }
// A tick value as a label, with as many decimals as the step needs.
std::string tick_label(const plot_axis& a, double v);

// What a pixel column keeps of the values that fall into it, in the order they came.
struct column_summary {
    double first = 0;
    double last = 0;
    double min = 0;
    double max = 0;
    size_t finite = 0;        // values that are numbers and not infinite
    bool gap_before = false;  // a value not finite came before `first` (or: any, when finite is 0)
    bool gap_after = false;   // a value not finite came after `last` (or: any, when finite is 0)

    void add(double v)
    {
        if (!std::isfinite(v)) {
            if (finite == 0) gap_before = true;
            gap_after = true;
            return;
        }
        if (finite == 0) {
            first = min = max = v;
        } else {
            if (v < min) min = v;
            if (v > max) max = v;
        }
        last = v;
        gap_after = false;
        ++finite;
    }
    // This column followed by the next one, as one column.
    void merge(const column_summary& next);
};

// A series in row order reduced while streaming to at most `capacity` columns (an even number,
// 2 at least) of rows_per_column() rows each, the last one possibly shorter: when the columns
// are full, neighbours are merged in pairs and a column takes twice as many rows.
class row_reducer {
public:
    explicit row_reducer(size_t capacity);
    void add(double v)
    {
        if (in_last_ == width_) start_column();
        cols_.back().add(v);
        ++in_last_;
    }
    size_t rows_per_column() const { return width_; }
    const std::vector<column_summary>& columns() const { return cols_; }

private:
    void start_column();
    std::vector<column_summary> cols_;
    size_t capacity_;
    size_t width_ = 1;
    size_t in_last_ = 1;  // rows in the last column: "full" before the first row
};

// The dots of a braille drawing: 2 x 4 dots a character cell, each cell drawn in the colour of
// the last series that set a dot in it.
class braille_canvas {
public:
    braille_canvas(size_t cells_wide, size_t cells_high);
    size_t dots_wide() const { return 2 * w_; }
    size_t dots_high() const { return 4 * h_; }
    // Dots outside the canvas are left out.
    void dot(long x, long y, unsigned series);
    void line(long x0, long y0, long x1, long y1, unsigned series);
    // The cell's dot pattern (bit i as in Unicode braille, U+2800 + bits) and its series.
    uint8_t bits(size_t cx, size_t cy) const { return bits_[cy * w_ + cx]; }
    unsigned owner(size_t cx, size_t cy) const { return owner_[cy * w_ + cx]; }

private:
    size_t w_, h_;
    std::vector<uint8_t> bits_;
    std::vector<unsigned> owner_;
};
// The UTF-8 bytes of the braille character with these dots.
std::string braille_char(uint8_t bits);
