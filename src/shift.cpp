// Shift: the selected columns move up by n rows relative to the others (a negative shift moves
// the other columns up instead). A ring of the last n+1 rows is held.
#include <algorithm>
#include <cstring>

#include "frame.h"
#include "operations.h"

void shift(const char* namein, const char* nameout, const char* flagfile, long shiftcolumns, size_t* vars, size_t* rows)
{
    // The sign of the shift decides which side of the selection moves up, whatever -i said.
    settings.inverse = shiftcolumns < 0 ? 1 : 0;
    if (settings.quiet) std::fprintf(stderr, "Vorn: Shift %ld. ", shiftcolumns);

    frame f(namein, nameout, {.flagfile = flagfile, .report_names = true, .takes_back = true});
    const size_t antal = f.columns();
    const flag_array& flag = f.marks();
    size_t count = 0;
    if (antal > 0) {
        const unsigned long magnitude = static_cast<unsigned long>(shiftcolumns);
        const size_t n = shiftcolumns < 0 ? 0UL - magnitude : magnitude;
        auto out = my_malloc(double, antal);

        // A file of n rows or fewer has no row whose partner n rows on exists. The ring grows
        // with the rows read, so a shift longer than the file costs only what the file holds.
        const size_t ring_rows = n + 1;  // n is below 2^63: no overflow
        size_t capacity = std::min<size_t>(ring_rows, 64);
        double_table ring = my_malloc_array_(capacity, antal);
        size_t held = 0;
        while (held < ring_rows) {
            if (held == capacity) {
                capacity = capacity > ring_rows / 2 ? ring_rows : 2 * capacity;
                double_table bigger = my_malloc_array_(capacity, antal);
                std::memcpy(bigger.block.get(), ring.block.get(), held * antal * sizeof(double));
                ring = std::move(bigger);
            }
            if (!f.read(ring[held])) break;
            ++held;
            ++count;
        }
        const bool full = held == ring_rows;
        if (full) {
            size_t oldest = 0;
            size_t newest = n;
            do {
                const double* later = ring[newest];
                const double* earlier = ring[oldest];
                for (size_t c = 0; c < antal; ++c) out[c] = flag[c] ? later[c] : earlier[c];
                f.write(out.get(), antal);
                // The slot of the oldest row receives the next row.
                newest = oldest;
                oldest = (oldest + 1) % (n + 1);
                if (!f.read(ring[newest])) break;
                ++count;
            } while (true);
        }
    }
    f.finish(vars, rows, count);
}
