// Scale and offset: multiply, divide or add a constant to the selected columns, row by row.
#include "frame.h"
#include "operations.h"

namespace {

// Replaces each selected value v by change(v); every column is written.
template <class Change>
void change_selected(const char* namein, const char* nameout, const char* flagfile, Change change, size_t* vars,
                     size_t* rows)
{
    stream_rows(namein, nameout, {.flagfile = flagfile}, vars, rows, marked_columns::written,
                [&change](double* row, const flag_array& flag, size_t antal) {
                    for (size_t i = 0; i < antal; ++i)
                        if (flag[i]) row[i] = change(row[i]);
                });
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
    change_selected(
        namein, nameout, flagfile, [factor](double v) { return factor * v; }, vars, rows);
}

void add_columns(const char* namein, const char* nameout, const char* flagfile, double add, size_t* vars, size_t* rows)
{
    announce("Vorn: Add with %g ", "Adds %g to selected columns.\n", add);

    change_selected(
        namein, nameout, flagfile, [add](double v) { return add + v; }, vars, rows);
    std::fflush(stderr);
}
