// The operation frame. Every operation announces itself, opens its pair through a frame, reads
// and writes rows through it, and ends with finish(), which releases the marks, closes the pair
// (writing the epilog) and stores the counts: that order lives here and nowhere else.
#pragma once
#include <cstdarg>

#include "utils.h"

// The one-line title (no line end: the entry ends the line after the run) when quiet, else the
// description. Both formats take the same arguments.
void announce(const char* title, const char* description, ...)
    __attribute__((format(printf, 1, 3), format(printf, 2, 3)));

// How a frame opens its pair.
struct frame_opening {
    const char* flagfile = nullptr;  // the selection file (null: the inline selections only)
    bool marks = true;               // build the column marks from the selection
    bool count_rows = false;         // count the leading rows while opening, before the prolog
    bool report_names = false;       // "in -> out" on standard error once open (not when quiet)
};

// Where the comment lines met among the data rows go.
enum class comments_at {
    in_place,  // written to the output where they stand
    queued,    // held in the reader's queue for the next output opened
};

class frame {
public:
    frame(const char* namein, const char* nameout, const frame_opening& how);
    frame(const frame&) = delete;
    frame& operator=(const frame&) = delete;

    size_t columns() const { return antal_; }
    // The leading rows counted while opening (0 unless counted).
    size_t counted_rows() const { return lines_; }
    const flag_array& marks() const { return flag_; }
    flag_array& marks() { return flag_; }
    open__files& pair() { return of_; }

    // The next data row into row[0..columns()-1]; false at the end. With `text` (columns()
    // entries), the fields that print as themselves are noted for write (see readline).
    bool read(double* row, comments_at comments = comments_at::in_place, field_text* text = nullptr)
    {
        return readline(of_, row, comments == comments_at::in_place ? of_.out : nullptr, antal_, text) != nullptr;
    }
    // Writes n values of row, leaving out the positions whose mark in leave_out is set. `text`
    // (n entries) comes from the read of this very row: a value left as read is written as its
    // text when that prints as itself.
    void write(const double* row, size_t n, const char* leave_out = nullptr, const field_text* text = nullptr)
    {
        writeline(of_.out, row, n, leave_out, text);
    }

    // Releases the marks, closes the pair and stores the column count and `rows`.
    void finish(size_t* vars, size_t* rows, size_t count);

private:
    open__files of_;
    flag_array flag_;
    size_t antal_ = 0;
    size_t lines_ = 0;
};

enum class marked_columns { written, left_out };

// The frame of the operations that change and write one row at a time: hands every data row to
// change(row, marks, columns), writes it (leaving out the marked columns when asked) and counts
// it; comment lines reach the output in place. Fields whose text prints as itself and whose value
// is left as read are copied, not printed again.
template <class Change>
void stream_rows(const char* namein, const char* nameout, const frame_opening& how, size_t* vars, size_t* rows,
                 marked_columns marked, Change change)
{
    frame f(namein, nameout, how);
    const size_t antal = f.columns();
    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        auto text = my_malloc(field_text, antal);
        const char* leave_out = marked == marked_columns::left_out ? f.marks().data() : nullptr;
        while (f.read(row.get(), comments_at::in_place, text.get())) {
            change(row.get(), f.marks(), antal);
            f.write(row.get(), antal, leave_out, text.get());
            ++count;
        }
    }
    f.finish(vars, rows, count);
}

// How a whole-file operation reads its rows.
struct whole_file_rules {
    comments_at comments = comments_at::in_place;
    // Read on to the end: a data row beyond the counted ones is as fatal as a missing one.
    // Otherwise rows after the counted run are never read.
    bool to_the_end = true;
    // Parse lines with the reshaping parser (parse_fields16) instead of the row reader.
    bool fields16 = false;
    // Store input row r as column r of a table of columns x rows.
    bool transposed = false;
};

// Reads the counted rows into one block of rows x columns, or columns x rows when transposed.
// A counted row that is missing, or one too many when reading to the end, ends the run with
// "Can't read all lines\n".
double_table read_counted_rows(frame& f, size_t lines, const whole_file_rules& rules);

// The frame of the operations that need all counted rows at once: reads them into one table,
// hands it to algorithm(table), and writes the table's rows in the order of its row pointers
// (an algorithm may reorder them), leaving out the positions marked in leave_out. Nothing is read
// or written when the file has no column or no counted row. Returns whether rows were handled.
template <class Algorithm>
bool whole_file(frame& f, size_t lines, const whole_file_rules& rules, Algorithm algorithm,
                const char* leave_out = nullptr)
{
    if (f.columns() == 0 || lines == 0) return false;
    double_table table = read_counted_rows(f, lines, rules);
    algorithm(table);
    for (size_t r = 0; r < table.nrows; ++r) f.write(table[r], table.ncolumns, leave_out);
    return true;
}
