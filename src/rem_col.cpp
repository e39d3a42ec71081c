// Remove (or, inverted, keep) the selected columns; with no selection it rewrites the file in
// the current separator and output style.
#include "operations.h"
#include "utils.h"

void rem_col(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    const char* const verb = settings.inverse ? "Keep" : "Remove";
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: %s columns ", verb);
    else
        std::fprintf(stderr, "%s selected columns\n", verb);

    open__files of(namein, nameout);
    flag_array flag;
    // The marks exist before the output is opened, so the prolog can announce the columns written.
    const size_t antal = openfiles(of, flagfile, &flag);
    if (!settings.quiet) std::fprintf(stderr, "%s -> %s\n", namein, nameout ? nameout : "(null)");

    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        std::fflush(stderr);
        while (readline(of.in, row.get(), of.out, antal)) {
            writeline(of.out, row.get(), antal, flag);
            ++count;
        }
    }
    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    *rows = count;
}
