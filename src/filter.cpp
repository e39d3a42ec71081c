// Smooth the selected columns along the rows with a fixed symmetric five-point kernel.
#include <algorithm>

#include "operations.h"
#include "readflag.h"
#include "utils.h"

void filter(const char* namein, const char* nameout, const char* flagfile, size_t /*filtertaps: the kernel is fixed*/,
            size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Filter ");
    else
        std::fprintf(stderr, "Apply filter to selected columns\n");

    open__files of(namein, nameout);
    flag_array flag;
    const size_t antal = openfiles(of, flagfile, &flag);
    const size_t lines = get_rows(of.in, antal);
    printflagged(stderr, flag.data(), antal);

    if (antal > 0 && lines > 0) {
        const double_table table = my_malloc_array_(lines, antal);
        // Comment lines among the rows are queued, not written here. Rows after the counted
        // leading run are never read.
        read_counted_rows(of.in, table, lines, antal, nullptr, false);

        if (!settings.quiet) message("Filtering...\r");
        // Row by row over all selected columns, so the table is walked in memory order. Rows i and
        // later are still unfiltered when row i is computed; copies of the original rows i-2 and
        // i-1 keep every output sample computed from unfiltered input. The two rows at each end
        // stay as read.
        if (lines > 4) {
            auto older = my_malloc(double, antal);   // original row i-2
            auto old = my_malloc(double, antal);     // original row i-1
            auto current = my_malloc(double, antal); // original row i
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

        for (size_t r = 0; r < lines; ++r) writeline(of.out, table[r], antal, nullptr);
        if (!settings.quiet) std::fputc('\n', stderr);
    }
    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    *rows = lines;
}
