// Column totals appended as one more row, or row totals appended as one more column.
#include "operations.h"
#include "readflag.h"
#include "utils.h"

void sum_vertical(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Vertical sum ");
    else
        std::fprintf(stderr, "Vertical sum except selected rows\n");

    open__files of(namein, nameout);
    size_t lines = 0;
    const size_t antal = openfiles_t(of, flagfile, nullptr, &lines);
    // The selection names rows here; the inverse option does not apply.
    auto rowflags = my_calloc(char, lines);
    readflags(flagfile, rowflags.get(), 0, settings.flag_lines, lines);

    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        auto sums = my_calloc(double, antal);
        while (readline(of.in, row.get(), of.out, antal)) {
            // Rows beyond the counted ones have no mark, so they are summed.
            if (count >= lines || !rowflags[count])
                for (size_t c = 0; c < antal; ++c) sums[c] += row[c];
            writeline(of.out, row.get(), antal, nullptr);
            ++count;
        }
        writeline(of.out, sums.get(), antal, nullptr);
    }
    rowflags.reset();
    closefiles(of);
    *vars = antal;
    *rows = count;
}

void sum_horizontal(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Horizontal sum ");
    else
        std::fprintf(stderr, "Horizontal sum except selected columns\n");

    open__files of(namein, nameout);
    flag_array flag;
    const size_t antal = openfiles(of, flagfile, &flag);
    size_t count = 0;
    if (antal > 0) {
        // The last element receives the row's sum.
        auto row = my_malloc(double, antal + 1);
        while (readline(of.in, row.get(), of.out, antal)) {
            double sum = 0;
            for (size_t c = 0; c < antal; ++c)
                if (!flag[c]) sum += row[c];
            row[antal] = sum;
            writeline(of.out, row.get(), antal + 1, nullptr);
            ++count;
        }
    }
    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    *rows = count;
}
