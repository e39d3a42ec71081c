// The pass-through operation: every row is read and written again in the chosen output style.
#include "operations.h"
#include "stream_rows.h"

void noop(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: nop ");
    else
        std::fprintf(stderr, "Do nothing\n");
    stream_rows(namein, nameout, flagfile, vars, rows, marked_columns::written, [](double*, const flag_array&, size_t) {});
}
