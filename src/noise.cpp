// Adds uniform noise of a given amplitude to every cell of the selected columns.
#include "frame.h"
#include "operations.h"
#include "ran3.h"
#include "utils.h"

void add_noise(const char* namein, const char* nameout, const char* flagfile, double noiselevel, size_t* vars,
               size_t* rows)
{
    announce("Vorn: Add noise to ", "Adds noise to the selected columns\n");

    // One draw per selected cell, row by row and left to right.
    stream_rows(namein, nameout, {.flagfile = flagfile}, vars, rows, marked_columns::written,
                [noiselevel](double* row, const flag_array& flag, size_t antal) {
                    for (size_t c = 0; c < antal; ++c) {
                        if (!flag[c]) continue;
                        const double r = ran3(&settings.idum);
                        row[c] += ((r - 0.5) * noiselevel) * 2.0;
                    }
                });
    std::fflush(stderr);
}
