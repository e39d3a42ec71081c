// Replace each sample of the selected columns by the median of the window of filtertaps cells
// on either side of it, along the rows.
#include <cstdlib>

#include "frame.h"
#include "operations.h"

// Orders doubles from the largest to the smallest; unordered pairs (NaN) compare equal.
int scompare(const void* arg1, const void* arg2)
{
    const double d = *static_cast<const double*>(arg2) - *static_cast<const double*>(arg1);
    if (d < 0) return -1;
    if (d > 0) return 1;
    return 0;
}

void medianfilter(const char* namein, const char* nameout, const char* flagfile, size_t filtertaps, size_t* vars,
                  size_t* rows)
{
    announce("Vorn: Filter ", "Apply filter to selected columns\n");
    frame f(namein, nameout, {.flagfile = flagfile, .count_rows = true});
    const size_t lines = f.counted_rows();
    if (!settings.quiet) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(lines));

    const size_t window_len = 2 * filtertaps + 1;
    if (lines < window_len)
        error("Too many filtertaps(=%lu) for data (filtertaps*2+1)(=%lu) > %lu", static_cast<unsigned long>(filtertaps),
              static_cast<unsigned long>(window_len), static_cast<unsigned long>(lines));

    // Every data row must belong to the counted run: one more (a line of another width and
    // whatever follows it) is as wrong as one less. Comments go out at once, ahead of the rows.
    const bool filtered = whole_file(f, lines, {}, [&](const double_table& table) {
        if (!settings.quiet) message("Filtering...\r");
        // Each window is taken from an unfiltered copy of the column, so the results can go
        // straight back into the table. The first and last filtertaps rows keep their values.
        auto column = my_malloc(double, lines);
        auto window = my_malloc(double, window_len);
        for (size_t c = 0; c < f.columns(); ++c) {
            if (!f.marks()[c]) continue;
            for (size_t r = 0; r < lines; ++r) column[r] = table[r][c];
            for (size_t i = filtertaps; i + filtertaps < lines; ++i) {
                // Filled from the latest sample back to the earliest.
                const double* const latest = &column[i + filtertaps];
                for (size_t k = 0; k < window_len; ++k) window[k] = *(latest - k);
                std::qsort(window.get(), window_len, sizeof(double), scompare);
                table[i][c] = window[filtertaps];
            }
        }
        if (!settings.quiet) message("Filtering done\n");
    });
    if (filtered && !settings.quiet) std::fputc('\n', stderr);
    f.finish(vars, rows, lines);
}
