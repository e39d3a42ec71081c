// Puts the values of each selected column into a random order along the rows, each column with
// its own random keys.
#include <algorithm>
#include <ctime>

#include "frame.h"
#include "operations.h"
#include "ran3.h"

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
    announce("Vorn: Shuffling ", "Shuffling\n");
    frame f(namein, nameout, {.flagfile = flagfile, .count_rows = true});
    const size_t lines = f.counted_rows();
    if (!settings.quiet) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(lines));

    whole_file(f, lines, {}, [&](const double_table& table) {
        // A clock-dependent start, so that runs in different seconds give different orders.
        const unsigned t = static_cast<unsigned>(std::time(nullptr)) & 0xffu;
        for (unsigned i = 0; i <= t; ++i) ran3(&settings.idum);

        for (size_t c = 0; c < f.columns(); ++c) {
            if (!f.marks()[c]) continue;
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
    });
    f.finish(vars, rows, lines);
}
