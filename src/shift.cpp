// Shift: the selected columns move up by n rows relative to the others (a negative shift moves
// the other columns up instead). A ring of the last n+1 rows is held.
#include "frame.h"
#include "operations.h"

void shift(const char* namein, const char* nameout, const char* flagfile, long shiftcolumns, size_t* vars,
           size_t* rows)
{
    // The sign of the shift decides which side of the selection moves up, whatever -i said.
    settings.inverse = shiftcolumns < 0 ? 1 : 0;
    if (settings.quiet) std::fprintf(stderr, "Vorn: Shift %ld. ", shiftcolumns);

    frame f(namein, nameout, {.flagfile = flagfile, .report_names = true});
    const size_t antal = f.columns();
    const flag_array& flag = f.marks();
    size_t count = 0;
    if (antal > 0) {
        const unsigned long magnitude = static_cast<unsigned long>(shiftcolumns);
        const size_t n = shiftcolumns < 0 ? 0UL - magnitude : magnitude;
        const double_table ring = my_malloc_array_(n + 1, antal);
        auto out = my_malloc(double, antal);

        // A file of n rows or fewer has no row whose partner n rows on exists.
        bool full = true;
        for (size_t i = 0; i <= n && full; ++i) {
            if (f.read(ring[i]))
                ++count;
            else
                full = false;
        }
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
