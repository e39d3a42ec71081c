// Number the data rows: every row is written with its number (from 1) in front.
#include "frame.h"
#include "operations.h"

void enumerate(const char* namein, const char* nameout, size_t* vars, size_t* rows)
{
    announce("Vorn: Enumerate ", "Enumerates.\n");
    // Only the inline selections mark; the marks apply to output positions, the number being
    // position 1.
    frame f(namein, nameout, {});
    const size_t antal = f.columns();
    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal + 1);
        while (f.read(row.get() + 1)) {
            row[0] = static_cast<double>(++count);
            f.write(row.get(), antal + 1, f.marks().data());
        }
    }
    f.finish(vars, rows, count);
}
