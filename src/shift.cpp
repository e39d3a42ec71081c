// Shift: the selected columns move up by n rows relative to the others (a negative shift moves
// the other columns up instead). A ring of the last n+1 rows is held.
#include "operations.h"
#include "utils.h"

void shift(const char* namein, const char* nameout, const char* flagfile, long shiftcolumns, size_t* vars,
           size_t* rows)
{
    // The sign of the shift decides which side of the selection moves up, whatever -i said.
    settings.inverse = shiftcolumns < 0 ? 1 : 0;
    if (settings.quiet) std::fprintf(stderr, "Vorn: Shift %ld. ", shiftcolumns);

    open__files of(namein, nameout);
    flag_array flag;
    const size_t antal = openfiles(of, flagfile, &flag);
    if (!settings.quiet) std::fprintf(stderr, "%s -> %s\n", namein, nameout ? nameout : "(null)");

    size_t count = 0;
    if (antal > 0) {
        const unsigned long magnitude = static_cast<unsigned long>(shiftcolumns);
        const size_t n = shiftcolumns < 0 ? 0UL - magnitude : magnitude;
        const double_table ring = my_malloc_array_(n + 1, antal);
        auto out = my_malloc(double, antal);

        // A file of n rows or fewer has no row whose partner n rows on exists.
        bool full = true;
        for (size_t i = 0; i <= n && full; ++i) {
            if (readline(of.in, ring[i], of.out, antal))
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
                writeline(of.out, out.get(), antal, nullptr);
                // The slot of the oldest row receives the next row.
                newest = oldest;
                oldest = (oldest + 1) % (n + 1);
                if (!readline(of.in, ring[newest], of.out, antal)) break;
                ++count;
            } while (true);
        }
    }

    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    *rows = count;
}
