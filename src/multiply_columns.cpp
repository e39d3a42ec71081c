// Scale and offset: multiply, divide or add a constant to the selected columns, row by row.
#include "operations.h"
#include "utils.h"

namespace {

// Streams every data row, replacing each selected value v by change(v); every column is written.
// Returns the number of rows written and stores the column count in *vars.
template <class Change>
size_t change_selected(const char* namein, const char* nameout, const char* flagfile, Change change, size_t* vars)
{
    open__files of(namein, nameout);
    flag_array flag;
    const size_t antal = openfiles(of, flagfile, &flag);
    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        while (readline(of.in, row.get(), of.out, antal)) {
            for (size_t i = 0; i < antal; ++i)
                if (flag[i]) row[i] = change(row[i]);
            writeline(of.out, row.get(), antal, nullptr);
            ++count;
        }
    }
    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    return count;
}

}  // namespace

void multiply_columns(const char* namein, const char* nameout, const char* flagfile, double multiply, int mul_mode,
                      size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: %s by %g ", mul_mode == MUL_COL ? "Multiply" : "Divide", multiply);
    else
        std::fprintf(stderr, "%s selected columns by %g\n", mul_mode == MUL_COL ? "Multiplies" : "Divides", multiply);

    // Division multiplies by the reciprocal, computed once: 49 * (1/49) is 0.9999999999999999.
    const double factor = mul_mode == DIV_COL ? 1.0 / multiply : multiply;
    *rows = change_selected(namein, nameout, flagfile, [factor](double v) { return factor * v; }, vars);
}

void add_columns(const char* namein, const char* nameout, const char* flagfile, double add, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Add with %g ", add);
    else
        std::fprintf(stderr, "Adds %g to selected columns.\n", add);

    *rows = change_selected(namein, nameout, flagfile, [add](double v) { return add + v; }, vars);
    std::fflush(stderr);
}
