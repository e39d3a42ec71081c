// Number the data rows: every row is written with its number (from 1) in front.
#include "operations.h"
#include "utils.h"

void enumerate(const char* namein, const char* nameout, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Enumerate ");
    else
        std::fprintf(stderr, "Enumerates.\n");

    open__files of(namein, nameout);
    flag_array flag;
    // Only the inline selections mark; the marks apply to output positions, the number being
    // position 1.
    const size_t antal = openfiles(of, nullptr, &flag);

    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal + 1);
        while (readline(of.in, row.get() + 1, of.out, antal)) {
            ++count;
            row[0] = static_cast<double>(count);
            writeline(of.out, row.get(), antal + 1, flag);
        }
    }
    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    *rows = count;
}
