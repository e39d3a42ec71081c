// The operation frame: opening, reading, writing and closing for every operation.
#include "frame.h"

#include <cmath>

#include "spill.h"
#include "transpos.h"

void announce(const char* title, const char* description, ...)
{
    va_list ap;
    va_start(ap, description);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::vfprintf(stderr, settings.quiet ? title : description, ap);
#pragma GCC diagnostic pop
    va_end(ap);
}

frame::frame(const char* namein, const char* nameout, const frame_opening& how) : of_(namein, nameout)
{
    // Strictly, every output is taken back by a failure: none is left half-written.
    of_.take_back = how.takes_back || settings.strict;
    if (how.budgeted) memory_budget();
    flag_array* const marks = how.marks ? &flag_ : nullptr;
    antal_ = how.count_rows ? openfiles_t(of_, how.flagfile, marks, &lines_, &rows_follow_)
                            : openfiles(of_, how.flagfile, marks);
    if (how.report_names && !settings.quiet) std::fprintf(stderr, "%s -> %s\n", namein, nameout ? nameout : "(null)");
}

reader_rules frame::write_comments_first(size_t lines, int& countdown)
{
    if (!settings.keep_comments || !of_.out) return {false, &settings.skip_rows};
    // This pass consumes the countdown as the rows' pass would have; that pass skips the same
    // lines again on a copy.
    countdown = settings.skip_rows;
    if (!of_.line) of_.line = line_buffer();
    for (size_t n = 0; n <= lines && myfgets_o(of_.line.get(), settings.maxbuff, of_.in, of_.out); ++n) {}
    std::rewind(of_.in);
    return {false, &countdown};
}

void frame::finish(size_t* vars, size_t* rows, size_t count)
{
    flag_array().swap(flag_);
    closefiles(of_);
    *vars = antal_;
    *rows = count;
}

// ---- Whole-file operations -------------------------------------------------------------------

counted_rows::counted_rows(frame& f, size_t lines, const whole_file_rules& rules) : f_(f), rules_(rules), left_(lines)
{
}

void counted_rows::next(double* row)
{
    if (left_ == 0) error("Can't read all lines\n");
    --left_;
    if (rules_.fields16) {
        open__files& of = f_.pair();
        if (!of.line) of.line = line_buffer();
        FILE* const comments = rules_.comments == comments_at::in_place ? of.out : nullptr;
        const char* line = myfgets_o(of.line.get(), settings.maxbuff, of.in, comments);
        if (!line) error("Can't read all lines\n");
        if (settings.strict) [[unlikely]]
            strict_fields16(place_of_last_line(of), line, row, f_.columns());
        else
            parse_fields16(line, row, f_.columns());
        return;
    }
    if (!f_.read(row, rules_.comments)) error("Can't read all lines\n");
    if (rules_.key_columns) [[unlikely]]
        for (const int col : *rules_.key_columns)
            if (std::isnan(row[col])) {
                open__files& of = f_.pair();
                strict_error(place_of_last_line(of), static_cast<size_t>(col) + 1,
                             field_of_line(of.line.get(), static_cast<size_t>(col)),
                             "not a number (NaN) in a sort column",
                             "a NaN compares equal to every value, so the rows around it would not be in order");
            }
}

void counted_rows::end()
{
    if (!rules_.to_the_end) return;
    // Rows beyond the counted ones land in a spare row only to be counted.
    auto spare = my_malloc(double, f_.columns());
    size_t beyond = 0;
    while (f_.read(spare.get(), rules_.comments)) ++beyond;
    if (beyond > 0) error("Can't read all lines\n");
}

row_table make_row_table(size_t rows, size_t columns)
{
    const bool too_big = columns != 0 && rows > static_cast<size_t>(-1) / columns;
    if (too_big) out_of_memory_(__FILE_NAME__, __LINE__, static_cast<size_t>(-1));
    return row_table{big_array<double>(rows * columns), rows, columns};
}

row_table read_counted_rows(frame& f, size_t lines, const whole_file_rules& rules, storage how)
{
    const size_t vars = f.columns();
    counted_rows source(f, lines, rules);
    if (how == storage::by_rows) {
        row_table table = make_row_table(lines, vars);
        for (size_t r = 0; r < lines; ++r) source.next(table[r]);
        source.end();
        return table;
    }
    row_table table = make_row_table(vars, lines);
    auto values = my_malloc(double, vars);
    double* const block = table[0];
    for (size_t r = 0; r < lines; ++r) {
        source.next(values.get());
        for (size_t c = 0; c < vars; ++c) block[c * lines + r] = values[c];
    }
    source.end();
    return table;
}

row_in_pieces::row_in_pieces(frame& f) : out_(f.pair().out) { output.line_start(out_); }

void row_in_pieces::put(const double* values, size_t n)
{
    for (size_t i = 0; i < n; ++i, ++index_) {
        if (index_ > 0) output.column_separator(out_);
        output.output_double(out_, index_, values[i]);
    }
}

void row_in_pieces::end() { output.line_end(out_); }
