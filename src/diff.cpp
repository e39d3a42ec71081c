// Difference along the rows: each selected value becomes current minus previous.
#include <utility>

#include "operations.h"
#include "utils.h"

void diff(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Differentiating ");
    else
        std::fprintf(stderr, "Differentiating rows\n");

    open__files of(namein, nameout);
    flag_array flag;
    const size_t antal = openfiles(of, flagfile, &flag);

    size_t count = 0;
    if (antal > 0) {
        auto first = my_malloc(double, antal);
        auto second = my_malloc(double, antal);
        auto out = my_malloc(double, antal);
        double* current = first.get();
        double* previous = second.get();
        // The first row is its own predecessor, so its selected columns come out as 0.
        if (readline(of.in, current, of.out, antal)) {
            std::copy(current, current + antal, previous);
            do {
                for (size_t c = 0; c < antal; ++c) out[c] = flag[c] ? current[c] - previous[c] : current[c];
                writeline(of.out, out.get(), antal, nullptr);
                ++count;
                std::swap(current, previous);
            } while (readline(of.in, current, of.out, antal));
        }
    }

    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    *rows = count;
}
