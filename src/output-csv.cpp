// The CSV style: values separated by a comma and a blank; comments are not written.
#include "output.h"

namespace {

int csv_prolog(FILE* /*out*/, size_t /*nr*/, size_t /*lines*/) { return 0; }
int csv_epilog(FILE* /*out*/) { return 0; }
int csv_output_comment(FILE* /*out*/, const char* /*comment*/) { return 0; }
int csv_line_start(FILE* /*out*/) { return 0; }
int csv_column_separator(FILE* out)
{
    std::fputs(", ", out);
    return 0;
}
int csv_line_end(FILE* out)
{
    std::fputc('\n', out);
    return 0;
}

void csv_row(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text)
{
    write_row(out, var, vars, flag, text, {"", 0, ", ", 2, "\n", 1});
}

}  // namespace

void set_output_csv()
{
    output = {csv_prolog,
              csv_epilog,
              csv_output_comment,
              csv_line_start,
              printdouble_original,
              csv_column_separator,
              csv_line_end,
              csv_row,
              true};
}
