// Keep or remove whole rows by comparing the selected values with a threshold or a range.
#include "logical.h"

#include <cmath>

#include "frame.h"

int gt(double v1, double v2) { return v1 - v2 > 0; }
int lt(double v1, double v2) { return v1 - v2 < 0; }
int eq(double v1, double v2)
{
    const double d = v1 - v2;  // rounded to double before its size is taken
    return std::fabs(d) <= settings.fuzz;
}
int geq(double v1, double v2) { return !(v1 - v2 < 0); }
int leq(double v1, double v2) { return !(v1 - v2 > 0); }
int neq(double v1, double v2) { return !eq(v1, v2); }

int in_range(double lower_end, double upper_end, double value) { return lower_end <= value && value < upper_end; }
int out_of_range(double lower_end, double upper_end, double value) { return !in_range(lower_end, upper_end, value); }

namespace {
constexpr const char* SELECTED = " in the selected columns\n";
constexpr const char* FULL_STOP = ". ";
}  // namespace

const logicals l_f[6] = {
    {gt, "Removes rows which have values greater than ", SELECTED, "Remove > ", FULL_STOP},
    {lt, "Removes rows which have values less than ", SELECTED, "Remove < ", FULL_STOP},
    {eq, "Removes rows which have values equal to ", SELECTED, "Remove = ", FULL_STOP},
    {geq, "Removes rows which have values greater than or equal ", SELECTED, "Remove >= ", FULL_STOP},
    {leq, "Removes rows which have values less than or equal ", SELECTED, "Remove <= ", FULL_STOP},
    {neq, "Removes rows which have values not equal to ", SELECTED, "Remove != ", FULL_STOP},
};

const ranges r_f[2] = {
    {out_of_range, "Keeps rows which have values in the range ", SELECTED, "Keep ", FULL_STOP},
    {in_range, "Removes rows which have values in the range ", SELECTED, "Remove ", FULL_STOP},
};

namespace {

// Streams the rows: a row goes as soon as one selected value meets `removes`; the others are
// written whole. Prints the tally and stores the counts.
template <class Test>
void remove_rows(const char* namein, const char* nameout, const char* flagfile, Test removes, size_t* vars,
                 size_t* rows)
{
    frame f(namein, nameout, {.flagfile = flagfile});
    const size_t antal = f.columns();
    const flag_array& flag = f.marks();
    size_t kept = 0;
    size_t removed = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        while (f.read(row.get())) {
            bool gone = false;
            for (size_t i = 0; i < antal && !gone; ++i) gone = flag[i] && removes(row[i]);
            if (gone) {
                ++removed;
            } else {
                f.write(row.get(), antal);
                ++kept;
            }
        }
    }
    f.finish(vars, rows, kept + removed);
    // The tally is given in the quiet form too.
    std::fprintf(stderr, "kept %u and removed %u of %u\n", static_cast<unsigned>(kept), static_cast<unsigned>(removed),
                 static_cast<unsigned>(kept + removed));
    std::fflush(stderr);
}

}  // namespace

void Logical(const char* namein, const char* nameout, const char* flagfile, LOGICALS logical, double level,
             size_t* vars, size_t* rows)
{
    const logicals& t = l_f[logical];
    if (settings.quiet)
        std::fprintf(stderr, "%s%g%s", t.sd1, level, t.sd2);
    else
        std::fprintf(stderr, "%s%g%s", t.d1, level, t.d2);
    remove_rows(
        namein, nameout, flagfile, [&t, level](double v) { return t.func(v, level) != 0; }, vars, rows);
}

void Range(const char* namein, const char* nameout, const char* flagfile, RANGES range, double lower, double upper,
           size_t* vars, size_t* rows)
{
    const ranges& t = r_f[range];
    if (settings.quiet)
        std::fprintf(stderr, "%s[%g, %g)%s", t.sd1, lower, upper, t.sd2);
    else
        std::fprintf(stderr, "%s[%g, %g)%s", t.d1, lower, upper, t.d2);
    remove_rows(
        namein, nameout, flagfile, [&t, lower, upper](double v) { return t.func(lower, upper, v) != 0; }, vars, rows);
}
