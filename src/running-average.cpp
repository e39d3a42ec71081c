// Running average along the rows: each selected value becomes the mean of the last `filtertaps`
// samples of its column. Only a ring of the last `filtertaps` rows is held.
#include "running-average.h"

#include <algorithm>

#include "frame.h"
#include "operations.h"

size_t get_filtertaps(running_average_modes mode, size_t rows_read, size_t filtertaps)
{
    switch (mode) {
    case pma_add_zeros: return filtertaps;
    case pma_reduce_n: return std::min(rows_read, filtertaps);
    default: error("uknown running average mode\n");
    }
}

size_t get_filterstart(running_average_modes mode, size_t filtertaps)
{
    return mode == cma_reduce_other ? filtertaps - 1 : filtertaps / 2;
}

namespace {

// Selected columns get the sum of the ring's slots, in slot order, divided by `divisor`;
// the others are copied from `source`.
void average_row(const double_table& ring, size_t taps, const double* source, const flag_array& flag, size_t antal,
                 double divisor, double* out)
{
    for (size_t c = 0; c < antal; ++c) {
        if (!flag[c]) {
            out[c] = source[c];
            continue;
        }
        double sum = 0;
        for (size_t s = 0; s < taps; ++s) sum += ring[s][c];
        out[c] = sum / divisor;
    }
}

}  // namespace

void running_mean(const char* namein, const char* nameout, const char* flagfile, size_t filtertaps, size_t* vars,
                  size_t* rows)
{
    announce("Vorn: Filter ", "Apply filter to selected columns\n");
    frame f(namein, nameout, {.flagfile = flagfile, .count_rows = true, .takes_back = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    const flag_array& flag = f.marks();
    if (!settings.quiet) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(lines));

    if (lines < filtertaps)
        error("Too many filtertaps(=%lu) for data (filtertaps)(=%lu) > %lu", static_cast<unsigned long>(filtertaps),
              static_cast<unsigned long>(filtertaps), static_cast<unsigned long>(lines));
    // A window of one row (or none) averages nothing: every row stands for itself.
    const size_t taps = std::max<size_t>(filtertaps, 1);

    if (antal > 0 && lines > 0) {
        // Slots of rows before the first stay 0: they are the zeros that pma_add_zeros adds.
        const double_table ring = my_malloc_array_(taps, antal);
        std::fill(ring[0], ring[0] + taps * antal, 0.0);
        auto out = my_malloc(double, antal);
        const running_average_modes mode = settings.running_average_mode;

        if (mode == pma_add_zeros || mode == pma_reduce_n) {
            for (size_t i = 0; i < lines; ++i) {
                double* row = ring[i % taps];
                if (!f.read(row)) error("Can't read all lines\n");
                const double divisor = static_cast<double>(get_filtertaps(mode, i + 1, taps));
                average_row(ring, taps, row, flag, antal, divisor, out.get());
                f.write(out.get(), antal);
            }
        } else if (mode == pma_reduce_other || mode == cma_reduce_other) {
            const size_t start = get_filterstart(mode, taps);
            if (settings.debug) dbg_printf("yy=%d\n", static_cast<int>(start));
            // The first full window ends at row taps-1; nothing is written before it.
            for (size_t i = 0; i + 1 < taps; ++i)
                if (!f.read(ring[i])) error("Can't read all lines\n");
            for (size_t i = taps - 1; i < lines; ++i) {
                if (!f.read(ring[i % taps])) break;
                const double* source = ring[(i - (taps - 1) + start) % taps];
                average_row(ring, taps, source, flag, antal, static_cast<double>(taps), out.get());
                f.write(out.get(), antal);
            }
        } else {
            error("No running average method given\n");
        }
        if (!settings.quiet) std::fputc('\n', stderr);
    }

    f.finish(vars, rows, lines);
}
