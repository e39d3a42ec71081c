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

// The input text of one field of a row and the value it was read as, when that text is byte for
// byte what the normal number form prints for that value; len 0 when there is no such text.
// The normal form is a function of the value alone, so a value still identical (to the bit) to
// the one read prints as the text.
struct field_text {
    const char* text = nullptr;
    size_t len = 0;
    double value = 0;
};
// Writes one whole row: line start, the columns whose mark in flag is 0 (every column when flag
// is null) with separators between them, line end. `text`, when not null, holds one entry per
// column; a column printed in the normal form whose entry has text and whose value is still the
// value read is written as that text.
using output_row_t = void (*)(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text);

struct output_style {
    output_prolog_t prolog;
    output_epilog_t epilog;
    output_output_comment_t output_comment;
    output_line_start_t line_start;
    output_double_t output_double;
    output_column_separator_t column_separator;
    output_line_end_t line_end;
    // The same bytes as line_start, output_double per column, column_separator and line_end,
    // written at once.
    output_row_t row;
    // Whether a table's column names stand as its first row (else in a comment line).
    bool names_as_row = false;
};

// The style in force; the standard style until an option installs another.
extern output_style output;

void set_output_standard();
void set_output_c();
void set_output_csv();
void set_output_latex();

// What a style writes around and between the numbers of a row.
struct row_punctuation {
    const char* start;
    size_t start_len;
    const char* separator;
    size_t separator_len;
    const char* end;
    size_t end_len;
};
// The row writer every style uses: the row is formatted into one chunk of memory and handed to
// the stream in one write (wide rows in several), each number in the form printdouble_original
// chooses for its column.
void write_row(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text,
               const row_punctuation& punctuation);

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
