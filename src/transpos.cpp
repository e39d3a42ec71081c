// Transpose, flip upside down and flip left to right.
#include "transpos.h"

#include <algorithm>
#include <cstring>

#include "frame.h"
#include "operations.h"

namespace {

constexpr size_t FIELD_WIDTH = 16;

inline bool is_c_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The reshaping operations read only the counted rows, with their own parser. The reader gets no
// comment stream, so kept comment lines are not written here: they join the reader's queue,
// which the next output opened (the next file's, in wildcard mode) receives ahead of its prolog.
constexpr whole_file_rules reshaping_rules{.comments = comments_at::queued, .to_the_end = false, .fields16 = true};

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
    announce("Vorn: Transpose ", "Transposing\n");
    // The prolog is written from the input's shape (its columns and counted rows).
    frame f(namein, nameout, {.marks = false, .count_rows = true});
    const size_t lines = f.counted_rows();
    // Input column c becomes stored row c, which is written as output row c.
    whole_file_rules rules = reshaping_rules;
    rules.transposed = true;
    whole_file(f, lines, rules, [](const double_table&) {});
    f.finish(vars, rows, lines);
}

void flip_ud(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    announce("Vorn: Transpose ", "Transposing\n");
    frame f(namein, nameout, {.flagfile = flagfile, .count_rows = true});
    const size_t lines = f.counted_rows();
    whole_file(
        f, lines, reshaping_rules,
        [](double_table& table) { std::reverse(table.rows.get(), table.rows.get() + table.nrows); },
        f.marks().data());
    f.finish(vars, rows, lines);
}

void flip_lr(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    announce("Vorn: nop ", "Do nothing\n");

    // The marks name positions of the reversed row.
    stream_rows(namein, nameout, {.flagfile = flagfile}, vars, rows, marked_columns::left_out,
                [](double* row, const flag_array&, size_t antal) {
                    for (size_t i = 0; i < antal / 2; ++i) std::swap(row[i], row[antal - 1 - i]);
                });
}
