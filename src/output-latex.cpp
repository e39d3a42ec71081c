// The LaTeX style: a tabular environment with one left-aligned column per value.
#include "output.h"

namespace {

int latex_prolog(FILE* out, size_t nr, size_t lines)
{
    std::fprintf(out, "%% there are %lu lines in table\n", static_cast<unsigned long>(lines));
    std::fputs("\\begin{tabular}{", out);
    if (nr >= 1) {
        std::fputc('l', out);
        for (size_t i = 1; i < nr; ++i) std::fputs(" l", out);
    }
    std::fputs("}\n", out);
    return 0;
}
int latex_epilog(FILE* out)
{
    std::fputs("\\end{tabular}\n", out);
    return 0;
}
int latex_output_comment(FILE* out, const char* comment)
{
    std::fprintf(out, "%% %s\n", comment);
    return 0;
}
int latex_line_start(FILE* /*out*/) { return 0; }
int latex_column_separator(FILE* out)
{
    std::fputs(" & ", out);
    return 0;
}
int latex_line_end(FILE* out)
{
    std::fputs(" \\\\\n", out);
    return 0;
}

void latex_row(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text)
{
    write_row(out, var, vars, flag, text, {"", 0, " & ", 3, " \\\\\n", 4});
}

}  // namespace

void set_output_latex()
{
    output = {latex_prolog,
              latex_epilog,
              latex_output_comment,
              latex_line_start,
              printdouble_original,
              latex_column_separator,
              latex_line_end,
              latex_row,
              true};
}
