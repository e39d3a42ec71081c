// Puts the values of each selected column into a random order along the rows, each column with
// its own random keys.
#include <algorithm>
#include <ctime>

#include "operations.h"
#include "ran3.h"
#include "utils.h"

namespace {

// One sort record: the random key and the cell value it carries.
struct _tt {
    float a;
    double data;
};

// Records in increasing key order (the keys are compared by their single-precision difference).
int sortfunc(const _tt* a, const _tt* b)
{
    const float d = a->a - b->a;
    if (d < 0) return -1;
    if (d > 0) return 1;
    return 0;
}

}  // namespace

void shuffle(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Shuffling ");
    else
        std::fprintf(stderr, "Shuffling\n");

    open__files of(namein, nameout);
    flag_array flag;
    size_t lines = 0;
    const size_t antal = openfiles_t(of, flagfile, &flag, &lines);
    if (!settings.quiet) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(lines));

    if (antal > 0 && lines > 0) {
        const double_table table = my_malloc_array_(lines, antal);
        read_counted_rows(of.in, table, lines, antal, of.out, true);

        // A clock-dependent start, so that runs in different seconds give different orders.
        const unsigned t = static_cast<unsigned>(std::time(nullptr)) & 0xffu;
        for (unsigned i = 0; i <= t; ++i) ran3(&settings.idum);

        for (size_t c = 0; c < antal; ++c) {
            if (!flag[c]) continue;
            ran3(&settings.idum);
            auto records = my_malloc(_tt, lines);
            for (size_t r = 0; r < lines; ++r) {
                records[r].a = ran3(&settings.idum);
                records[r].data = table[r][c];
            }
            std::stable_sort(records.get(), records.get() + lines,
                             [](const _tt& x, const _tt& y) { return sortfunc(&x, &y) < 0; });
            for (size_t r = 0; r < lines; ++r) table[r][c] = records[r].data;
        }
        for (size_t r = 0; r < lines; ++r) writeline(of.out, table[r], antal, nullptr);
    }
    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    *rows = lines;
}
