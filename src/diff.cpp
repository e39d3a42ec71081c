// Difference along the rows: each selected value becomes current minus previous.
#include <algorithm>

#include "frame.h"
#include "operations.h"

void diff(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    announce("Vorn: Differentiating ", "Differentiating rows\n");
    std::unique_ptr<double[]> previous;  // the previous row as read
    std::unique_ptr<double[]> current;
    stream_rows(namein, nameout, {.flagfile = flagfile, .takes_back = true}, vars, rows, marked_columns::written,
                [&](double* row, const flag_array& flag, size_t antal) {
                    if (!previous) {
                        // The first row is its own predecessor, so its selected columns come out as 0.
                        previous = my_malloc(double, antal);
                        current = my_malloc(double, antal);
                        std::copy_n(row, antal, previous.get());
                    }
                    std::copy_n(row, antal, current.get());
                    for (size_t c = 0; c < antal; ++c)
                        if (flag[c]) row[c] = current[c] - previous[c];
                    previous.swap(current);
                });
}
