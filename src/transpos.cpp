// Transpose, flip upside down and flip left to right.
#include "transpos.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "frame.h"
#include "operations.h"
#include "spill.h"

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

namespace {

const char* reshaping_name() { return settings.mode == TRANSPOSE ? "-t (--transpose)" : "--flip-ud"; }

}  // namespace

void strict_fields16(const input_place& at, const char* line, double* var, size_t vars)
{
    const char* p = line;
    size_t i = 0;
    for (;; ++i) {
        while (is_c_space(static_cast<unsigned char>(*p))) ++p;
        if (*p == '\0') break;
        const char* field_end = p;
        while (*field_end && !is_c_space(static_cast<unsigned char>(*field_end))) ++field_end;
        const std::string_view field(p, static_cast<size_t>(field_end - p));
        if (field.size() > FIELD_WIDTH)
            strict_error(at, i + 1, field,
                         std::string("longer than 16 characters, which ") + reshaping_name() + " reads as two numbers",
                         "round the numbers first, for example: vorn --format=%.9e --nop IN - | vorn ...");
        double v;
        if (read_double(p, field_end, &v) != field_end)
            strict_error(at, i + 1, field, "not a number",
                         field.find(',') != std::string_view::npos
                             ? std::string(reshaping_name()) + " separates numbers by white space only"
                             : std::string());
        if (std::isinf(v) && (field[field[0] == '-' || field[0] == '+'] | 0x20) != 'i')
            strict_error(at, i + 1, field, "too large for a double");
        if (i < vars) var[i] = v;
        p = field_end;
    }
    if (i != vars)
        strict_error(at, 0, line,
                     std::to_string(i) + (i == 1 ? " number" : " numbers") + ", where the first data row has " +
                         std::to_string(vars));
}

void strict_reshaping_settings(const char* namein)
{
    if (!settings.strict) return;
    if (settings.input_delimiter || settings.skip_columns)
        strict_error({namein}, 0, {},
                     std::string(reshaping_name()) +
                         " reads numbers separated by white space from the start of every "
                         "line: it would ignore " +
                         (settings.input_delimiter ? "--input-delimiter" : "--skip-columns"),
                     "convert the file first, for example: vorn --input-delimiter=';' --nop IN - | vorn ...");
}

namespace {

// Output row c of a transposed file larger than the budget: the file is spilled in blocks stored
// column after column, and each column is then read back in row order and written as one row.
void transpose_spilling(frame& f, size_t lines)
{
    const size_t vars = f.columns();
    const size_t row_bytes = vars * sizeof(double);
    const std::string one_row = "one row of " + std::to_string(vars) + " columns";
    const size_t block_rows = std::min(budget_count(row_bytes, row_bytes, one_row.c_str()), lines);
    column_blocks blocks(vars, block_rows);
    {
        counted_rows source(f, lines, reshaping_rules);
        auto row = my_malloc(double, vars);
        for (size_t r = 0; r < lines; ++r) {
            source.next(row.get());
            blocks.add(row.get());
        }
        source.end();
        blocks.finish();
    }
    constexpr size_t MOST_READ = size_t{1} << 20;
    const size_t room = std::min({memory_budget() / sizeof(double), lines, MOST_READ});
    auto buffer = my_malloc(double, room);
    for (size_t c = 0; c < vars; ++c) {
        row_in_pieces out(f);
        blocks.for_column(c, buffer.get(), room, [&](const double* values, size_t n, size_t) { out.put(values, n); });
        out.end();
    }
}

// The rows of a file larger than the budget, last first: the rows are spilled in blocks, and the
// blocks are read back from the last.
void flip_spilling(frame& f, size_t lines, const char* leave_out)
{
    const size_t vars = f.columns();
    const size_t row_bytes = vars * sizeof(double);
    const std::string one_row = "one row of " + std::to_string(vars) + " columns";
    const size_t block_rows = std::min(budget_count(row_bytes, 0, one_row.c_str()), lines);
    const size_t block_bytes = block_rows * row_bytes;
    row_table block = make_row_table(block_rows, vars);
    spill_file spilled;
    counted_rows source(f, lines, reshaping_rules);
    size_t full = 0;  // blocks spilled
    size_t fill = 0;  // rows of the block in memory
    for (size_t r = 0; r < lines; ++r) {
        source.next(block[fill]);
        if (++fill == block_rows) {
            spilled.write_at(block[0], block_bytes, static_cast<uint64_t>(full) * block_bytes);
            ++full;
            fill = 0;
        }
    }
    source.end();
    // The rows still in memory are the last ones.
    for (size_t r = fill; r-- > 0;) f.write(block[r], vars, leave_out);
    for (size_t b = full; b-- > 0;) {
        spilled.read_at(block[0], block_bytes, static_cast<uint64_t>(b) * block_bytes);
        for (size_t r = block_rows; r-- > 0;) f.write(block[r], vars, leave_out);
    }
}

}  // namespace

void transpose(const char* namein, const char* nameout, size_t* vars, size_t* rows)
{
    announce("Vorn: Transpose ", "Transposing\n");
    strict_reshaping_settings(namein);
    // The prolog is written from the input's shape (its columns and counted rows).
    frame f(namein, nameout, {.marks = false, .count_rows = true, .budgeted = true, .takes_back = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    // Input column c becomes stored row c, which is written as output row c.
    if (fits_in_budget(lines, antal * sizeof(double))) {
        whole_file(
            f, lines, reshaping_rules,
            [&](const row_table& table) {
                for (size_t c = 0; c < antal; ++c) f.write(table[c], lines);
            },
            storage::transposed);
    } else if (antal > 0 && lines > 0) {
        transpose_spilling(f, lines);
    }
    f.finish(vars, rows, lines);
}

void flip_ud(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    announce("Vorn: Transpose ", "Transposing\n");
    strict_reshaping_settings(namein);
    frame f(namein, nameout, {.flagfile = flagfile, .count_rows = true, .budgeted = true, .takes_back = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    const char* const leave_out = f.marks().data();
    if (fits_in_budget(lines, antal * sizeof(double))) {
        whole_file(f, lines, reshaping_rules, [&](const row_table& table) {
            for (size_t r = lines; r-- > 0;) f.write(table[r], antal, leave_out);
        });
    } else if (antal > 0 && lines > 0) {
        flip_spilling(f, lines, leave_out);
    }
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
