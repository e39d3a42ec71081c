// Smooth the selected columns along the rows with a fixed symmetric five-point kernel.
#include <algorithm>

#include "frame.h"
#include "operations.h"
#include "readflag.h"

void filter(const char* namein, const char* nameout, const char* flagfile, size_t /*filtertaps: the kernel is fixed*/,
            size_t* vars, size_t* rows)
{
    announce("Vorn: Filter ", "Apply filter to selected columns\n");
    frame f(namein, nameout, {.flagfile = flagfile});
    const size_t antal = f.columns();
    const size_t lines = get_rows(f.pair().in, antal);
    const flag_array& flag = f.marks();
    printflagged(stderr, flag.data(), antal);

    // Comment lines among the rows are queued, not written here. Rows after the counted leading
    // run are never read.
    const bool filtered = whole_file(f, lines, {.comments = comments_at::queued, .to_the_end = false},
                                     [&](const double_table& table) {
        if (!settings.quiet) message("Filtering...\r");
        // Row by row over all selected columns, so the table is walked in memory order. Rows i and
        // later are still unfiltered when row i is computed; copies of the original rows i-2 and
        // i-1 keep every output sample computed from unfiltered input. The two rows at each end
        // stay as read.
        if (lines > 4) {
            auto older = my_malloc(double, antal);    // original row i-2
            auto old = my_malloc(double, antal);      // original row i-1
            auto current = my_malloc(double, antal);  // original row i
            std::copy_n(table[0], antal, older.get());
            std::copy_n(table[1], antal, old.get());
            for (size_t i = 2; i + 2 < lines; ++i) {
                double* const x = table[i];
                const double* const next = table[i + 1];
                const double* const after = table[i + 2];
                std::copy_n(x, antal, current.get());
                for (size_t c = 0; c < antal; ++c)
                    if (flag[c])
                        x[c] = 0.107 * older[c] + 0.179 * old[c] + 0.428 * current[c] + 0.179 * next[c] +
                               0.107 * after[c];
                older.swap(old);
                old.swap(current);
            }
        }
        if (!settings.quiet) message("Filtering done\n");
    });
    if (filtered && !settings.quiet) std::fputc('\n', stderr);
    f.finish(vars, rows, lines);
}
