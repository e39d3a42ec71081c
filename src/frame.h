// The operation frame. Every operation announces itself, opens its pair through a frame, reads
// and writes rows through it, and ends with finish(), which releases the marks, closes the pair
// (writing the epilog) and stores the counts: that order lives here and nowhere else.
#pragma once
#include <cstdarg>
#include <vector>

#include "spill.h"
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
    // A whole-file operation: its memory budget is settled before anything is opened, so that
    // a VORN_MEMORY that is not a size ends the run before an output exists.
    bool budgeted = false;
    // The output becomes the result only when the run succeeds: any failure before finish()
    // takes it back (see output_commit.h).
    bool takes_back = false;
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
    // Whether the row reader would read a data row after the counted ones (known when counted
    // while opening).
    bool rows_follow() const { return rows_follow_; }
    const flag_array& marks() const { return flag_; }
    flag_array& marks() { return flag_; }
    open__files& pair() { return of_; }

    // The next data row into row[0..columns()-1]; false at the end. With `text` (columns()
    // entries), the fields that print as themselves are noted for write (see readline).
    bool read(double* row, comments_at comments = comments_at::in_place, field_text* text = nullptr)
    {
        return readline(of_, row, comments == comments_at::in_place ? of_.out : nullptr, antal_, text) != nullptr;
    }
    // The same, with the reader's rules given.
    bool read(double* row, const reader_rules& rules) { return readline(of_, row, nullptr, antal_, rules) != nullptr; }
    // Writes n values of row, leaving out the positions whose mark in leave_out is set. `text`
    // (n entries) comes from the read of this very row: a value left as read is written as its
    // text when that prints as itself.
    void write(const double* row, size_t n, const char* leave_out = nullptr, const field_text* text = nullptr)
    {
        writeline(of_.out, row, n, leave_out, text);
    }

    // Writes the comment lines that reading `lines` rows (and looking for one more) would pass
    // on in place, then rewinds the input, so that a pass that writes rows as it reads them can
    // have those comments ahead of its rows. Returns the reader rules for that pass: comments
    // are not passed on again, and the lines skipped are the same (`countdown` holds the copy
    // of the skip-rows countdown it uses when this pass consumed the real one).
    reader_rules write_comments_first(size_t lines, int& countdown);

    // Releases the marks, closes the pair and stores the column count and `rows`.
    void finish(size_t* vars, size_t* rows, size_t count);

private:
    open__files of_;
    flag_array flag_;
    size_t antal_ = 0;
    size_t lines_ = 0;
    bool rows_follow_ = false;
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
    // Strict mode: columns (from 0) that must not hold NaN, as the sort keys; null for none.
    const std::vector<int>* key_columns = nullptr;
};

// The counted rows of a frame, one at a time, by the rules of a whole-file operation.
class counted_rows {
public:
    counted_rows(frame& f, size_t lines, const whole_file_rules& rules);
    size_t left() const { return left_; }
    // The next counted row into row[0..columns-1]. A counted row that is missing ends the run
    // with "Can't read all lines\n".
    void next(double* row);
    // After the last counted row: when reading to the end, a further data row ends the run with
    // "Can't read all lines\n".
    void end();

private:
    frame& f_;
    whole_file_rules rules_;
    size_t left_;
};

// A table of doubles in one block from the system (on huge pages where offered): nrows rows of
// ncolumns values, row r at r * ncolumns.
struct row_table {
    big_array<double> block;
    size_t nrows = 0;
    size_t ncolumns = 0;
    double* operator[](size_t r) const { return block.get() + r * ncolumns; }
};
// Failure to get the block is fatal: "Could not allocate memory %lu bytes\n".
row_table make_row_table(size_t rows, size_t columns);

// Reads the counted rows into one table of rows x columns, or, transposed, of columns x rows
// (input row r becomes column r).
enum class storage { by_rows, transposed };
row_table read_counted_rows(frame& f, size_t lines, const whole_file_rules& rules, storage how = storage::by_rows);

// The frame of the operations that hold all counted rows at once: reads the rows into one table and hands it to
// algorithm(table), which writes the result. Nothing is read or written when the file has no column or no counted row.
// Returns whether rows were handled.
template <class Algorithm>
bool whole_file(frame& f, size_t lines, const whole_file_rules& rules, Algorithm algorithm,
                storage how = storage::by_rows)
{
    if (f.columns() == 0 || lines == 0) return false;
    row_table table = read_counted_rows(f, lines, rules, how);
    algorithm(table);
    return true;
}

// One row written in pieces, for a row longer than memory holds: the same hooks and the same
// column indices as frame::write of the whole row, with no position left out.
class row_in_pieces {
public:
    explicit row_in_pieces(frame& f);
    void put(const double* values, size_t n);
    void end();

private:
    FILE* out_;
    size_t index_ = 0;
};
