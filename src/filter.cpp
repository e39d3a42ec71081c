// Smooth the selected columns along the rows with a fixed symmetric five-point kernel.
#include <string>

#include "frame.h"
#include "operations.h"
#include "readflag.h"
#include "spill.h"

void filter(const char* namein, const char* nameout, const char* flagfile, size_t /*filtertaps: the kernel is fixed*/,
            size_t* vars, size_t* rows)
{
    announce("Vorn: Filter ", "Apply filter to selected columns\n");
    frame f(namein, nameout, {.flagfile = flagfile, .budgeted = true, .takes_back = true});
    const size_t antal = f.columns();
    const size_t lines = get_rows(f.pair().in, antal, !settings.quiet, nullptr, f.pair().namein);
    const flag_array& flag = f.marks();
    printflagged(stderr, flag.data(), antal);

    if (antal > 0 && lines > 0) {
        // Five rows as read are all the filter needs: output row i is written once row i+2 is in.
        constexpr size_t WINDOW = 5;
        const std::string window = "the filter's window of 5 rows of " + std::to_string(antal) + " columns";
        budget_count((WINDOW + 1) * antal * sizeof(double), 0, window.c_str());
        const row_table ring = make_row_table(WINDOW, antal);
        auto out = my_malloc(double, antal);
        const auto row = [&](size_t i) { return ring[i % WINDOW]; };

        if (!settings.quiet) message("Filtering...\r");
        // Comment lines among the rows are queued, not written here. Rows after the counted
        // leading run are never read. The two rows at each end stay as read; so does a file of
        // four rows or fewer.
        counted_rows source(f, lines, {.comments = comments_at::queued, .to_the_end = false});
        for (size_t i = 0; i < lines; ++i) {
            source.next(row(i));
            if (i < 2) f.write(row(i), antal);
            if (i < 4 || lines <= 4) continue;
            const double* const older = row(i - 4);
            const double* const old = row(i - 3);
            const double* const current = row(i - 2);
            const double* const next = row(i - 1);
            const double* const after = row(i);
            for (size_t c = 0; c < antal; ++c)
                out[c] = flag[c] ? 0.107 * older[c] + 0.179 * old[c] + 0.428 * current[c] + 0.179 * next[c] +
                                       0.107 * after[c]
                                 : current[c];
            f.write(out.get(), antal);
        }
        for (size_t i = lines > 4 ? lines - 2 : 2; i < lines; ++i) f.write(row(i), antal);
        if (!settings.quiet) message("Filtering done\n");
        if (!settings.quiet) std::fputc('\n', stderr);
    }
    f.finish(vars, rows, lines);
}
