// Remove (or, inverted, keep) the selected columns; with no selection it rewrites the file in
// the current separator and output style.
#include "frame.h"
#include "operations.h"

void rem_col(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    const char* const verb = settings.inverse ? "Keep" : "Remove";
    announce("Vorn: %s columns ", "%s selected columns\n", verb);
    // The marks exist before the output is opened, so the prolog can announce the columns written.
    stream_rows(namein, nameout, {.flagfile = flagfile, .report_names = true}, vars, rows, marked_columns::left_out,
                [](double*, const flag_array&, size_t) {});
}
