// Transpose, flip upside down and flip left to right.
#include "transpos.h"

#include <cstring>

#include "operations.h"
#include "stream_rows.h"
#include "utils.h"

namespace {

constexpr size_t FIELD_WIDTH = 16;

inline bool is_c_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads the first `lines` data lines of `in` into a table: input row r goes into table row r,
// or, transposed, into position r of every table row. The reader gets no comment stream, so
// kept comment lines are not written here: they join the reader's queue, which the next output
// opened (the next file's, in wildcard mode) receives ahead of its prolog.
// A counted row that cannot be read ends the run.
void read_table(FILE* in, const double_table& table, size_t vars, size_t lines, bool transposed)
{
    auto buffer = line_buffer();
    auto values = my_malloc(double, vars);
    for (size_t r = 0; r < lines; ++r) {
        const char* line = myfgets_o(buffer.get(), settings.maxbuff, in, nullptr);
        if (!line) error("Can't read all lines\n");
        if (transposed) {
            parse_fields16(line, values.get(), vars);
            for (size_t c = 0; c < vars; ++c) table[c][r] = values[c];
        } else {
            parse_fields16(line, table[r], vars);
        }
    }
}

}  // namespace

size_t parse_fields16(const char* line, double* var, size_t vars)
{
    const char* p = line;
    const char* const end = line + std::strlen(line);
    size_t i = 0;
    while (i < vars) {
        while (p < end && is_c_space(static_cast<unsigned char>(*p))) ++p;
        if (p >= end) break;
        const char* const window = static_cast<size_t>(end - p) > FIELD_WIDTH ? p + FIELD_WIDTH : end;
        const char* next = read_double(p, window, &var[i]);
        if (!next) break;
        p = next;
        ++i;
    }
    const size_t got = i;
    for (; i < vars; ++i) var[i] = 0.0;
    return got;
}

void transpose(const char* namein, const char* nameout, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Transpose ");
    else
        std::fprintf(stderr, "Transposing\n");

    open__files of(namein, nameout);
    size_t lines = 0;
    // The prolog is written from the input's shape (its columns and counted rows).
    const size_t antal = openfiles_t(of, nullptr, nullptr, &lines);

    if (antal > 0 && lines > 0) {
        // Input column c becomes stored row c.
        const double_table table = my_malloc_array_(antal, lines);
        read_table(of.in, table, antal, lines, true);
        for (size_t c = 0; c < antal; ++c) writeline(of.out, table[c], lines, nullptr);
    }
    closefiles(of);
    *vars = antal;
    *rows = lines;
}

void flip_ud(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Transpose ");
    else
        std::fprintf(stderr, "Transposing\n");

    open__files of(namein, nameout);
    flag_array flag;
    size_t lines = 0;
    const size_t antal = openfiles_t(of, flagfile, &flag, &lines);

    if (antal > 0 && lines > 0) {
        const double_table table = my_malloc_array_(lines, antal);
        read_table(of.in, table, antal, lines, false);
        for (size_t r = lines; r-- > 0;) writeline(of.out, table[r], antal, flag);
    }
    flag_array().swap(flag);
    closefiles(of);
    *vars = antal;
    *rows = lines;
}

void flip_lr(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: nop ");
    else
        std::fprintf(stderr, "Do nothing\n");

    // The marks name positions of the reversed row.
    stream_rows(namein, nameout, flagfile, vars, rows, marked_columns::left_out,
                [](double* row, const flag_array&, size_t antal) {
                    for (size_t i = 0; i < antal / 2; ++i) std::swap(row[i], row[antal - 1 - i]);
                });
}
