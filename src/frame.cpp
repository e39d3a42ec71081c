// The operation frame: opening, reading, writing and closing for every operation.
#include "frame.h"

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
    flag_array* const marks = how.marks ? &flag_ : nullptr;
    antal_ = how.count_rows ? openfiles_t(of_, how.flagfile, marks, &lines_) : openfiles(of_, how.flagfile, marks);
    if (how.report_names && !settings.quiet) std::fprintf(stderr, "%s -> %s\n", namein, nameout ? nameout : "(null)");
}

void frame::finish(size_t* vars, size_t* rows, size_t count)
{
    flag_array().swap(flag_);
    closefiles(of_);
    *vars = antal_;
    *rows = count;
}

namespace {

// The reshaping operations parse each line with their own parser and read only the counted rows.
void read_fields16(frame& f, const double_table& table, size_t lines, const whole_file_rules& rules)
{
    open__files& of = f.pair();
    const size_t vars = f.columns();
    if (!of.line) of.line = line_buffer();
    auto values = my_malloc(double, vars);
    FILE* const comments = rules.comments == comments_at::in_place ? of.out : nullptr;
    for (size_t r = 0; r < lines; ++r) {
        const char* line = myfgets_o(of.line.get(), settings.maxbuff, of.in, comments);
        if (!line) error("Can't read all lines\n");
        if (rules.transposed) {
            parse_fields16(line, values.get(), vars);
            for (size_t c = 0; c < vars; ++c) table[c][r] = values[c];
        } else {
            parse_fields16(line, table[r], vars);
        }
    }
}

}  // namespace

double_table read_counted_rows(frame& f, size_t lines, const whole_file_rules& rules)
{
    const size_t vars = f.columns();
    double_table table = rules.transposed ? my_malloc_array_(vars, lines) : my_malloc_array_(lines, vars);
    if (rules.fields16) {
        read_fields16(f, table, lines, rules);
        return table;
    }
    if (!rules.to_the_end) {
        for (size_t r = 0; r < lines; ++r)
            if (!f.read(table[r], rules.comments)) error("Can't read all lines\n");
        return table;
    }
    // Rows beyond the counted ones land in a spare row only to be counted.
    auto spare = my_malloc(double, vars);
    size_t found = 0;
    while (f.read(found < lines ? table[found] : spare.get(), rules.comments)) ++found;
    if (found != lines) error("Can't read all lines\n");
    return table;
}
