// Replace each sample of the selected columns by the median of the window of filtertaps cells
// on either side of it, along the rows.
#include <cstdlib>
#include <string>

#include "frame.h"
#include "operations.h"
#include "spill.h"

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
    frame f(namein, nameout, {.flagfile = flagfile, .count_rows = true, .budgeted = true, .takes_back = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    if (!settings.quiet) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(lines));

    const size_t window_len = 2 * filtertaps + 1;
    if (lines < window_len)
        error("Too many filtertaps(=%lu) for data (filtertaps*2+1)(=%lu) > %lu", static_cast<unsigned long>(filtertaps),
              static_cast<unsigned long>(window_len), static_cast<unsigned long>(lines));

    if (antal > 0 && lines > 0) {
        // Every data row must belong to the counted run: one more (a line of another width and
        // whatever follows it) is as wrong as one less. The count tells at once.
        if (f.rows_follow()) error("Can't read all lines\n");
        // The window of rows as read is all the filter needs: output row i is written once row
        // i+filtertaps is in. The first and last filtertaps rows keep their values.
        const std::string what =
            "the filter's window of " + std::to_string(window_len) + " rows of " + std::to_string(antal) + " columns";
        budget_count((window_len + 1) * antal * sizeof(double), 0, what.c_str());
        const row_table ring = make_row_table(window_len, antal);
        auto out = my_malloc(double, antal);
        auto window = my_malloc(double, window_len);
        const auto row = [&](size_t i) { return ring[i % window_len]; };

        // Comment lines go out at once, ahead of all rows.
        int countdown = 0;
        const reader_rules rules = f.write_comments_first(lines, countdown);
        if (!settings.quiet) message("Filtering...\r");
        for (size_t i = 0; i < lines; ++i) {
            if (!f.read(row(i), rules)) error("Can't read all lines\n");
            if (i < filtertaps) f.write(row(i), antal);
            if (i < 2 * filtertaps) continue;
            const size_t centre = i - filtertaps;
            const double* const here = row(centre);
            for (size_t c = 0; c < antal; ++c) {
                if (!f.marks()[c]) {
                    out[c] = here[c];
                    continue;
                }
                // Filled from the latest sample back to the earliest.
                for (size_t k = 0; k < window_len; ++k) window[k] = row(i - k)[c];
                std::qsort(window.get(), window_len, sizeof(double), scompare);
                out[c] = window[filtertaps];
            }
            f.write(out.get(), antal);
        }
        for (size_t i = lines - filtertaps; i < lines; ++i) f.write(row(i), antal);
        if (!settings.quiet) message("Filtering done\n");
        if (!settings.quiet) std::fputc('\n', stderr);
    }
    f.finish(vars, rows, lines);
}
