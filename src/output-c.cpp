// The C style: the rows as a C array initialiser.
#include "output.h"

namespace {

int c_prolog(FILE* out, size_t nr, size_t lines)
{
    if (lines != 0)
        std::fprintf(out, "double data[%lu][%lu] = {\n", static_cast<unsigned long>(lines),
                     static_cast<unsigned long>(nr));
    else
        std::fprintf(out, "double data[][%lu] = {\n", static_cast<unsigned long>(nr));
    return 0;
}
int c_epilog(FILE* out)
{
    std::fputs("};\n", out);
    return 0;
}
int c_output_comment(FILE* out, const char* comment)
{
    std::fprintf(out, "/* %s */\n", comment);
    return 0;
}
int c_line_start(FILE* out)
{
    std::fputs("{ ", out);
    return 0;
}
int c_column_separator(FILE* out)
{
    std::fputs(", ", out);
    return 0;
}
int c_line_end(FILE* out)
{
    std::fputs("},\n", out);
    return 0;
}

void c_row(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text)
{
    write_row(out, var, vars, flag, text, {"{ ", 2, ", ", 2, "},\n", 3});
}

}  // namespace

void set_output_c()
{
    output = {c_prolog,   c_epilog, c_output_comment, c_line_start, printdouble_original, c_column_separator,
              c_line_end, c_row};
}
