// Column and row counts of a data file, with a report of the lines whose width differs.
#include "operations.h"
#include "utils.h"

void count_file(const char* namein, size_t* vars, size_t* rows, const count_rules& rules)
{
    open__files of(namein, nullptr);
    of.report_counts = rules.report;
    const size_t antal = openfiles(of, NO_SELECTION, nullptr);
    *vars = 0;
    *rows = 0;

    const reader_rules reading{rules.queue_comments && settings.keep_comments, &settings.skip_rows};
    size_t line = 0;  // data lines examined so far
    unsigned mismatches = 0;
    size_t first_mismatch = 0;
    line_pieces lines(of.in, settings.maxbuff);
    while (char* s = lines.next_data_line(nullptr, reading)) {
        const char* stop;
        const size_t found = scanline(s, &stop);
        // Strictly, a line the count would stop at, or of another width, is refused.
        if (settings.strict && (found != antal || *stop != '\0')) [[unlikely]]
            strict_fields({namein, of.in, -1, false, lines.pieces()}, s, antal);
        if (found != antal) {
            // A line with no number at its start ends the check; it is not counted.
            if (found == 0) break;
            ++mismatches;
            if (mismatches == 1) first_mismatch = line + 1;
            std::fprintf(stderr, "Warning: Column count mismatch on line %lu. Should be %lu but found %lu.\n",
                         static_cast<unsigned long>(line + 1), static_cast<unsigned long>(antal),
                         static_cast<unsigned long>(found));
        }
        ++line;
    }
    if (mismatches)
        std::fprintf(stderr, "Warning: %u column count mismatches found.\nFirst on line %lu", mismatches,
                     static_cast<unsigned long>(first_mismatch));
    *vars = antal;
    *rows = line;
    closefiles(of);
}

void checkfile(const char* namein, size_t* vars, size_t* rows)
{
    // The counting modes never open an output, so kept comment lines are dropped instead of
    // queued, which keeps memory flat.
    count_file(namein, vars, rows, {.report = !settings.quiet, .queue_comments = false});
}
