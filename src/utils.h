// The data file engine: diagnostics, memory, the line reader, file pairs and row writing.
#pragma once
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbg_printf.h"
#include "err_printf.h"
#include "input_source.h"
#include "output.h"
#include "vorn_variables.h"

// ---- Diagnostics (standard error) ----------------------------------------------------------

// Ends the process with `status` after a fatal report. Fuzzing builds (VORN_FUZZ) throw
// fatal_exit instead, so that a fuzzing harness lives on past the program's deliberate errors.
[[noreturn]] void end_process(int status);
struct fatal_exit {
    int status;
};

// "\nError in File:FILE(LINE):\n" and the message; waits for Enter with --wait-on-error; exit 1.
[[noreturn]] void error_(const char* file, int line, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
#define error(...) error_(__FILE_NAME__, __LINE__, __VA_ARGS__)
// What every fatal report ends with: output files still held are taken back, the wait for Enter
// with --wait-on-error, and exit 1.
[[noreturn]] void end_after_error();
// "\nWarning: " message "\nContinue [y/N]:"; returns at once.
void warning(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// "\nMessage: " message.
void message(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// ---- Memory ----------------------------------------------------------------------------------

// Out-of-memory is fatal: "Could not allocate memory %lu bytes\n" naming the allocating site.
[[noreturn]] void out_of_memory_(const char* file, int line, size_t size);

// An uninitialised block of `count` objects.
template <class T>
std::unique_ptr<T[]> my_malloc_(const char* file, int line, size_t count)
{
    const size_t bytes = count > static_cast<size_t>(-1) / sizeof(T) ? static_cast<size_t>(-1) : count * sizeof(T);
    T* p = count > static_cast<size_t>(-1) / sizeof(T) ? nullptr : new (std::nothrow) T[count];
    if (!p) out_of_memory_(file, line, bytes);
    return std::unique_ptr<T[]>(p);
}
// A zeroed block of `count` objects.
template <class T>
std::unique_ptr<T[]> my_calloc_(const char* file, int line, size_t count)
{
    auto p = my_malloc_<T>(file, line, count);
    for (size_t i = 0; i < count; ++i) p[i] = T{};
    return p;
}
#define my_malloc(T, count) my_malloc_<T>(__FILE_NAME__, __LINE__, (count))
#define my_calloc(T, count) my_calloc_<T>(__FILE_NAME__, __LINE__, (count))

// A table of doubles: one contiguous block and a vector of row pointers into it
// (row i starts i*columns values into the block, so row 0 is the block itself).
struct double_table {
    std::unique_ptr<double[]> block;
    std::unique_ptr<double*[]> rows;
    size_t nrows = 0;
    size_t ncolumns = 0;
    double* operator[](size_t i) const { return rows[i]; }
};
// rows must be at least 1. Failure of either allocation is fatal and names this wrapper's site.
double_table my_malloc_array_(size_t rows, size_t columns);

// A line buffer of `maxbuff` bytes, as every reader of data lines uses.
#define line_buffer() my_malloc(char, settings.maxbuff)

// ---- Data file reading -------------------------------------------------------------------------

// How one pass of the line reader treats comment lines and the skip-rows countdown.
struct reader_rules {
    // Pass comment lines on: to the comment stream when there is one, else to the queue.
    bool keep_comments = false;
    // The countdown of lines to skip that this pass consumes; null when nothing is skipped.
    int* countdown = nullptr;
};
// The rules of an operation's own pass over its data: the user's comment setting and the
// process's countdown, which only this pass uses up.
inline reader_rules data_rules() { return {settings.keep_comments != 0, &settings.skip_rows}; }

// Is this line a comment? Consumes one count of the countdown (if any) when it reaches that test.
int iscomment(const char* line, int* countdown);
// Removes the trailing run of CR and LF characters.
void strip_crlf(char* s);
// Reads lines until a data line; comments are written to ostream, queued (ostream null) or
// dropped, as the rules say. Null at the end of the stream.
char* myfgets_o(char* s, size_t n, FILE* stream, FILE* ostream, const reader_rules& rules = data_rules());

// The lines of a stream as reading them with a buffer of `size` bytes gives them (at most size - 1
// characters, up to and including a newline), handed out in place from large blocks: the counting
// passes read each line once, without copying it.
class line_pieces {
public:
    line_pieces(FILE* in, size_t size);
    // The next data line, NUL-terminated, valid until the next call; comment lines are treated as
    // myfgets_o treats them. Null at the end of the stream; a failed read is fatal.
    char* next_data_line(FILE* ostream, const reader_rules& rules);
    // The number of lines (pieces) handed out, comments included.
    size_t pieces() const { return pieces_; }

private:
    char* next_piece();
    void refill();

    FILE* in_;
    size_t pieces_ = 0;
    size_t most_;  // characters in a piece at most
    size_t capacity_;
    std::unique_ptr<char[]> buffer_;
    size_t pos_ = 0, end_ = 0;
    size_t terminated_ = 0;  // where the last piece's NUL stands over the character saved_
    char saved_ = 0;
    bool have_saved_ = false;
    bool ended_ = false;
};

// Passes the queued comment lines, oldest first, to the output_comment hook.
void flush_comments(FILE* out);
// Number of numbers on a line, counted from character skip_columns (blanks and commas separate).
size_t scanline(const char* line);
// The same; *stop is where the count stopped: the line's terminator, or a field that is no number.
size_t scanline(const char* line, const char** stop);
// Column count of the file's first data line; the stream is rewound. `name` names the input in
// strict failures.
size_t scan(FILE* in, const char* name = nullptr);
// Leading data lines holding exactly `antal` numbers; the stream is rewound. "Found %lu rows."
// goes to standard error when report is set. rows_follow (when given) tells whether the row
// reader would read a further row after them: the run ended at a data line of another width
// that is longer than the skipped leading characters.
size_t get_rows(FILE* in, size_t antal, bool report = !settings.quiet, bool* rows_follow = nullptr,
                const char* name = nullptr);
// First position at or after s that is neither white space nor a comma.
char* eatwhite(char* s);
// Position just after the number starting at s (white space first), or s when there is none.
char* eatfloat(char* s);

// Reads one number from [p, end) the way the C library's "%lf" conversion does (leading white
// space skipped; *end is the string's terminator). Returns the position after it, or null when
// no number can be read there.
const char* read_double(const char* p, const char* end, double* value);
// read_double, also telling whether the number's text prints as itself (see prints_as_itself).
const char* read_double_text(const char* p, const char* end, double* value, bool* itself);

// ---- Strict reading ------------------------------------------------------------------------------

struct open__files;

// Where in an input a strict check failed. Unless a pass that cannot read its stream again
// counted the lines (`line`), the line number is found only when the failure is reported, by
// counting the lines of the stream up to `end`.
struct input_place {
    const char* file = nullptr;
    FILE* in = nullptr;
    long long end = -1;                  // the offset just after the line refused; -1: no line
    bool first_data_line = false;        // the line that gives the column count
    size_t line = 0;                     // the line's number when the pass counted it, else 0
    const size_t* lines_read = nullptr;  // the row reader's count, for a stream read only once
};
// An `end` that is where `in` stands when the failure is reported: the line just read.
constexpr long long LINE_JUST_READ = -2;
// The place of the line the pair's reader returned last.
input_place place_of_last_line(const open__files& of);
// The one form of every strict failure, on standard error (parts that do not apply left out):
//   vorn: FILE, line N, field F: PROBLEM: "TEXT"
//   vorn: hint: HINT
// and the run ends as after any fatal error. `field` counts from 1; 0 names no field.
[[noreturn]] void strict_error(const input_place& at, size_t field, std::string_view text, const std::string& problem,
                               const std::string& hint = {});
// Reads one data line strictly: from character skip_columns on, every field (separated by white
// space, commas or the input delimiter) must be one whole number that the reader takes as it
// stands, not an overflow to infinity, and there must be exactly `vars` of them (any number
// when vars is npos_fields). Stores the first vars values (and their texts, as readline does)
// when var is given; returns the number of fields. Any other line is a strict_error.
constexpr size_t npos_fields = static_cast<size_t>(-1);
// The text of field k (from 0) of a data line as strict_fields separates them; empty if none.
std::string_view field_of_line(const char* line, size_t k);
size_t strict_fields(const input_place& at, char* line, size_t vars, double* var = nullptr, field_text* text = nullptr);

// ---- File pairs ----------------------------------------------------------------------------------

struct open__files {
    const char* namein = nullptr;
    const char* nameout = nullptr;
    FILE* in = nullptr;
    FILE* out = nullptr;
    file_identity in_identity;      // what namein names, once it is open
    std::unique_ptr<char[]> inbuf;  // the streams' 1 MiB buffers
    std::unique_ptr<char[]> outbuf;
    std::unique_ptr<char[]> line;  // the row reader's line buffer, maxbuff bytes once used
    // "Found %lu variables." (and the row count) go to standard error when set.
    bool report_counts = !settings.quiet;
    // The output file becomes the result only when closefiles succeeds; a failure before takes
    // it back (see output_commit.h). Set before the output is opened.
    bool take_back = false;
    // Lines the strict row reader has read (comments included), for a stream read only once.
    size_t lines_read = 0;
    open__files() = default;
    open__files(const char* in_name, const char* out_name) : namein(in_name), nameout(out_name) {}
    open__files(const open__files&) = delete;
    open__files& operator=(const open__files&) = delete;
    ~open__files();
};

using flag_array = std::vector<char>;

// A flagfile value that means "no selection at all": the array stays all zero.
extern const char* const NO_SELECTION;

// Opens namein for reading through open_input: standard input ("-"), pipes, devices and
// compressed content are read from a temporary copy. A name that cannot be opened (or names a
// directory) is fatal with "Could not open file %s\n"; a copy that cannot be made is fatal
// with its reason.
size_t openin(open__files& of);
// Refuses (fatally, naming both) an output that is the input file: the same device and inode,
// whatever the spelling, standard output included. Called by openout before anything is opened.
void refuse_output_onto_input(const open__files& of);
// The selection file is read after the output is opened by some operations, so writing over it
// would lose the selection and the result with it: refused before anything is opened.
void refuse_output_onto_selection(const char* nameout, const char* selection);
size_t openout(open__files& of, size_t antal, size_t lines);
// Only the stream of openout, for an output that is not rows of numbers: no comments, no prolog.
void open_output_stream(open__files& of);
// Whether the pair's output name means standard output.
bool output_is_stdout(const open__files& of);
// Flushes and closes the pair's output without an epilog; a failed write is fatal as in closefiles.
void close_output_stream(open__files& of);
// A zero-filled array of antal+102 marks, marked from the selection file and flag_lines.
// `namein` names the input in strict refusals.
flag_array open_flags(const char* flagfile, size_t antal, const char* namein = nullptr);
size_t openfiles(open__files& of, const char* flagfile, flag_array* flag);
// As openfiles, counting the leading rows first (get_rows); rows_follow as get_rows gives it.
size_t openfiles_t(open__files& of, const char* flagfile, flag_array* flag, size_t* lines_,
                   bool* rows_follow = nullptr);
// Writes the epilog and closes the pair (standard output is flushed, not closed). An output that
// could not be written in full is fatal: "Could not write %s: %s\n" with its name and the reason.
void closefiles(open__files& of);
// Flushes an output stream; a failed write is fatal as in closefiles.
void flush_output(FILE* out);
// Flushes standard output before a run that wrote to it ends; a failed write is fatal.
void finish_standard_output();

// Next data row of the pair's input parsed into var[0..vars-1] (missing values are 0), or null
// at the end. Comment lines go to ut (null: the queue) as the reader's rules say.
// When `text` is given (vars entries), each column's entry receives the field's text and value
// if that text prints as itself in the normal number form (see prints_as_itself), else no text;
// the texts point into the pair's line buffer and last until the next read. `rules` are the
// reader's rules for this pass.
double* readline(open__files& of, double* var, FILE* ut, size_t vars, field_text* text = nullptr,
                 const reader_rules& rules = data_rules());
inline double* readline(open__files& of, double* var, FILE* ut, size_t vars, const reader_rules& rules)
{
    return readline(of, var, ut, vars, nullptr, rules);
}
// Whether the number text [p, q) is exactly what the normal number form prints for the value it
// reads as: '-' or nothing, 0 or digits without a leading zero, then '.' and one to six
// decimals, the last not 0, or nothing; at most eight characters before the point.
bool prints_as_itself(const char* p, const char* q);

// ---- Writing -------------------------------------------------------------------------------------

// Writes one row in the output style; columns whose mark in `flag` is non-zero are left out.
// `text`, when given, holds one entry per column: the input text that prints as itself (see
// field_text), written in place of the value where the column is printed in the normal form.
// A failed write on `out` is fatal.
int writeline(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text = nullptr);
inline int writeline(FILE* out, const double* var, size_t vars, const flag_array& flag)
{
    return writeline(out, var, vars, flag.empty() ? nullptr : flag.data());
}
