// Adds uniform noise of a given amplitude to every cell of the selected columns.
#include "operations.h"
#include "ran3.h"
#include "utils.h"

void add_noise(const char* namein, const char* nameout, const char* flagfile, double noiselevel, size_t* vars,
               size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Add noise to ");
    else
        std::fprintf(stderr, "Adds noise to the selected columns\n");

    open__files of(namein, nameout);
    flag_array flag;
    const size_t antal = openfiles(of, flagfile, &flag);
    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        while (readline(of.in, row.get(), of.out, antal)) {
            // One draw per selected cell, row by row and left to right.
            for (size_t c = 0; c < antal; ++c) {
                if (!flag[c]) continue;
                const double r = ran3(&settings.idum);
                row[c] += ((r - 0.5) * noiselevel) * 2.0;
            }
            writeline(of.out, row.get(), antal, nullptr);
            ++count;
        }
    }
    flag_array().swap(flag);
    closefiles(of);
    std::fflush(stderr);
    *vars = antal;
    *rows = count;
}
