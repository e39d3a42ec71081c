// Remove (or, inverted, keep) the selected data rows.
#include "frame.h"
#include "operations.h"
#include "readflag.h"

void rem_row(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    // The pair is opened before the announcement, which lists the rows the selection names.
    frame f(namein, nameout, {.flagfile = flagfile, .marks = false, .count_rows = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    auto row = my_malloc(double, antal);
    auto rowflags = my_calloc(char, lines);

    const char* const verb = settings.inverse ? "Keeps" : "Removes";
    if (settings.quiet) {
        std::fprintf(stderr, "Vorn: %s rows ", verb);
    } else {
        std::fprintf(stderr, "%s -> %s\n", namein, nameout ? nameout : "(null)");
        std::fprintf(stderr, "%s the following rows:\n", verb);
    }
    std::fflush(stderr);

    readflags(flagfile, rowflags.get(), settings.inverse, settings.flag_lines, lines, {"row", namein});

    if (settings.quiet && flagged(rowflags.get(), lines) > 50)
        std::fprintf(stderr, "a lot of rows");
    else
        printflagged(stderr, rowflags.get(), lines);
    if (!settings.quiet) std::fputc('\n', stderr);
    std::fflush(stderr);
    flush_output(stdout);

    // Rows after the counted leading run (past a line of another width) have no mark: they count
    // as not selected, so removing writes them and keeping leaves them out.
    const bool write_unmarked = !settings.inverse;
    size_t count = 0;
    // Rows are written as read: fields that print as themselves are copied.
    auto text = my_malloc(field_text, antal);
    while (f.read(row.get(), comments_at::in_place, text.get())) {
        if (settings.debug) dbg_printf("row %lu read\n", static_cast<unsigned long>(count + 1));
        const bool written = count < lines ? rowflags[count] == 0 : write_unmarked;
        if (written) f.write(row.get(), antal, nullptr, text.get());
        ++count;
        if (settings.debug)
            dbg_printf("row %lu %s\n", static_cast<unsigned long>(count), written ? "written" : "left out");
    }
    if (settings.debug) dbg_printf("%lu rows read\n", static_cast<unsigned long>(count));
    f.finish(vars, rows, count);
    std::fflush(stderr);
}
