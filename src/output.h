// Output styles: the seven hooks through which every byte of data output goes.
#pragma once
#include <cstddef>
#include <cstdio>

using output_prolog_t = int (*)(FILE* out, size_t nr, size_t lines);
using output_epilog_t = int (*)(FILE* out);
using output_output_comment_t = int (*)(FILE* out, const char* comment);
using output_line_start_t = int (*)(FILE* out);
using output_double_t = int (*)(FILE* out, size_t column, double value);
using output_column_separator_t = int (*)(FILE* out);
using output_line_end_t = int (*)(FILE* out);

struct output_style {
    output_prolog_t prolog;
    output_epilog_t epilog;
    output_output_comment_t output_comment;
    output_line_start_t line_start;
    output_double_t output_double;
    output_column_separator_t column_separator;
    output_line_end_t line_end;
};

// The style in force; the standard style until an option installs another.
extern output_style output;

void set_output_standard();
void set_output_c();
void set_output_csv();
void set_output_latex();

// The number printer every style uses: user format, extra precision or the normal form.
int printdouble_original(FILE* out, size_t column, double value);
int PrintNormalDouble(FILE* ut, double var);
int PrintLongDouble(FILE* ut, double var);
int PrintSpecialDouble(FILE* ut, double var);
// Text of the normal form into buf (at least 32 bytes); returns the end of the text.
char* format_normal_double(char* buf, double var);
// Text of "%.18g" / "%.17g" into buf (at least 40 bytes); returns the end of the text.
char* format_g(char* buf, double var, int precision);

// 0 when fmt is an acceptable user number format, 1 when not.
int validate_double_format(const char* fmt);
int is_format_flag(int c);
int is_conv_spec(int c);
