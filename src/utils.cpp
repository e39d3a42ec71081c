// The data file engine: diagnostics, memory wrappers, the line reader, file pairs and row writing.
#include "utils.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "output_commit.h"
#include "progress.h"
#include "readflag.h"
#include "spill.h"
#include "vorn_modes.h"

// ---- Diagnostics -------------------------------------------------------------------------------

void error_(const char* file, int line, const char* fmt, ...)
{
    std::fprintf(stderr, "\nError in File:%s(%d):\n", file, line);
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    end_after_error();
}

void end_after_error()
{
    take_back_outputs(stderr);
    if (settings.wait_on_error) {
        std::fprintf(stderr, "\nPress enter to continue\n");
        std::fflush(stderr);
        std::getchar();
        std::getchar();
    }
    end_process(1);
}

void end_process(int status)
{
#ifdef VORN_FUZZ
    throw fatal_exit{status};
#else
    close_input_copies();
    std::exit(status);
#endif
}

void warning(const char* fmt, ...)
{
    std::fprintf(stderr, "\nWarning: ");
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    std::fprintf(stderr, "\nContinue [y/N]:");
    std::fflush(stderr);
}

void message(const char* fmt, ...)
{
    std::fprintf(stderr, "\nMessage: ");
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    std::fflush(stderr);
}

// ---- Memory --------------------------------------------------------------------------------------

double_table my_malloc_array_(size_t rows, size_t columns)
{
    double_table t;
    t.rows = my_malloc(double*, rows);
    const bool too_big = columns != 0 && rows > static_cast<size_t>(-1) / sizeof(double) / columns;
    t.block = my_malloc(double, too_big ? static_cast<size_t>(-1) / sizeof(double) + 1 : rows* columns);
    for (size_t i = 0; i < rows; ++i) t.rows[i] = t.block.get() + i * columns;
    t.nrows = rows;
    t.ncolumns = columns;
    return t;
}

// ---- Reading numbers -----------------------------------------------------------------------------

namespace {

inline bool is_c_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Characters after which a number the fast path has read cannot go on, so that the C library's
// scan would stop at the same place.
inline bool ends_number(unsigned char c) { return c == '\0' || is_c_space(c) || c == ','; }

// The C library's "%lf" semantics, for the forms the fast path leaves alone (a leading '+',
// infinities, NaN, hexadecimal forms, out-of-range values, partial exponents). A number never
// holds white space, so the scan is given a copy of the token alone: the library measures
// the whole string it scans, which would make long lines quadratic.
const char* read_double_slow(const char* p, const char* end, double* value)
{
    const char* tok_end = p;
    while (tok_end < end && !is_c_space(static_cast<unsigned char>(*tok_end))) ++tok_end;
    char token[512];
    const char* subject = p;
    const size_t tok_len = static_cast<size_t>(tok_end - p);
    if (tok_len < sizeof token) {
        std::memcpy(token, p, tok_len);
        token[tok_len] = '\0';
        subject = token;
    }
    int used = -1;
    double v = 0;
    if (std::sscanf(subject, "%lf%n", &v, &used) != 1 || used < 0) return nullptr;
    *value = v;
    return p + used;
}

constexpr double exact_powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// Whether q is before end. Where the caller knows that *end is the string's terminator, every
// test of a character stops there anyway, and the comparison is left out.
template <bool Terminated>
inline bool before(const char* q, const char* end)
{
    return Terminated || q < end;
}

// A run of digits from q (before end) added to w; returns the end of the run.
template <bool Terminated>
inline const char* take_digits(const char* q, const char* end, uint64_t& w, int& digits)
{
    const char* const first = q;
    while (before<Terminated>(q, end) && static_cast<unsigned char>(*q - '0') < 10) {
        w = w * 10 + static_cast<uint64_t>(*q - '0');
        ++q;
    }
    digits += static_cast<int>(q - first);
    return q;
}

}  // namespace

// The common case of a short decimal: at most 19 digits whose value stays below 2^53 and a power
// of ten of at most 22 either way. Both factors are exact doubles, so one multiplication or
// division rounds exactly as the library does. Anything else is left to the general readers.
// `itself`, when given, tells whether the text prints as itself (the rule of prints_as_itself).
template <bool Terminated>
[[gnu::always_inline]] inline const char* read_short_decimal(const char* p, const char* end, double* value,
                                                             bool* itself)
{
    const char* q = p;
    const bool negative = *q == '-';
    if (negative) ++q;
    uint64_t w = 0;
    int digits = 0;
    int scale = 0;
    const char* const whole = q;
    q = take_digits<Terminated>(q, end, w, digits);
    const int whole_digits = digits;
    bool plain = whole_digits == 1 || (whole_digits > 1 && *whole != '0');
    if (before<Terminated>(q, end) && *q == '.') {
        ++q;
        q = take_digits<Terminated>(q, end, w, digits);
        const int decimals = digits - whole_digits;
        scale = -decimals;
        plain = plain && decimals >= 1 && decimals <= 6 && q[-1] != '0';
    }
    plain = plain && negative + whole_digits <= 8;
    if (digits == 0 || digits > 19) return nullptr;
    if (before<Terminated>(q, end) && (*q == 'e' || *q == 'E')) {
        plain = false;
        ++q;
        bool exp_negative = false;
        if (before<Terminated>(q, end) && (*q == '+' || *q == '-')) exp_negative = *q++ == '-';
        if (!before<Terminated>(q, end) || *q < '0' || *q > '9') return nullptr;
        int e = 0;
        while (before<Terminated>(q, end) && *q >= '0' && *q <= '9') {
            if (e < 1000) e = e * 10 + (*q - '0');
            ++q;
        }
        scale += exp_negative ? -e : e;
    }
    if (before<Terminated>(q, end) && !ends_number(static_cast<unsigned char>(*q))) return nullptr;
    if (w > (uint64_t{1} << 53) || scale < -22 || scale > 22) return nullptr;
    double v = static_cast<double>(w);
    v = scale < 0 ? v / exact_powers[-scale] : v * exact_powers[scale];
    *value = negative ? -v : v;
    if (itself) *itself = plain;
    return q;
}

// read_double_text, expanded where the row reader uses it; Terminated when *end is the string's
// terminator.
template <bool Terminated>
[[gnu::always_inline]] inline const char* read_number(const char* p, const char* end, double* value, bool* itself)
{
    while (p < end && is_c_space(static_cast<unsigned char>(*p))) ++p;
    if (p >= end) return nullptr;
    *itself = false;
    const char c = *p;
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
        if (const char* q = read_short_decimal<Terminated>(p, end, value, itself)) return q;
        double v;
        auto res = std::from_chars(p, end, v);
        // Only finite values are taken here: the library's scan stops a NaN before a
        // parenthesised suffix ("-nan(1)" reads as "-nan"), which from_chars would swallow.
        if (res.ec == std::errc() && std::isfinite(v) &&
            (res.ptr == end || ends_number(static_cast<unsigned char>(*res.ptr)))) {
            *value = v;
            return res.ptr;
        }
    }
    return read_double_slow(p, end, value);
}

const char* read_double_text(const char* p, const char* end, double* value, bool* itself)
{
    return read_number<false>(p, end, value, itself);
}

const char* read_double(const char* p, const char* end, double* value)
{
    bool itself;
    return read_double_text(p, end, value, &itself);
}

char* eatwhite(char* s)
{
    while (*s && (is_c_space(static_cast<unsigned char>(*s)) || *s == ',')) ++s;
    return s;
}

char* eatfloat(char* s)
{
    double v;
    const char* end = read_double(s, s + std::strlen(s), &v);
    return end ? const_cast<char*>(end) : s;
}

// ---- Line reading ----------------------------------------------------------------------------------

namespace {

// Comment lines met before an output exists, handed out oldest first. A file that is mostly
// comments must not make the queue grow with it: beyond a share of the memory budget, the lines
// wait in a temporary file, one per line, behind those held in memory.
class comment_queue {
public:
    void push(const char* line)
    {
        if (!writer_) {
            const size_t n = std::strlen(line);
            if (room_for(n + sizeof(std::string))) {
                held_.emplace_back(line, n);
                held_bytes_ += n + sizeof(std::string);
                return;
            }
            file_ = std::make_unique<spill_file>();
            writer_.emplace(*file_, SPILL_BUFFER);
        }
        writer_->append(line, std::strlen(line));
        writer_->append("\n", 1);
    }

    // Hands every queued line to take(line) and empties the queue.
    template <class Take>
    void drain(Take take)
    {
        for (; !held_.empty(); held_.pop_front()) take(held_.front().c_str());
        held_bytes_ = 0;
        if (!writer_) return;
        writer_->flush();
        const uint64_t end = writer_->end();
        std::unique_ptr<char[]> chunk(my_malloc(char, SPILL_BUFFER));
        std::string line;
        for (uint64_t at = 0; at < end;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(SPILL_BUFFER, end - at));
            file_->read_at(chunk.get(), n, at);
            at += n;
            for (const char *p = chunk.get(), *stop = p + n; p < stop;) {
                const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(stop - p)));
                line.append(p, nl ? nl : stop);
                if (!nl) break;
                take(line.c_str());
                line.clear();
                p = nl + 1;
            }
        }
        writer_.reset();
        file_.reset();
    }

private:
    static constexpr size_t SPILL_BUFFER = 1 << 16;
    // Small queues never ask for the budget; larger ones keep an eighth of it in memory.
    static constexpr size_t ALWAYS_HELD = 1 << 16;
    bool room_for(size_t n)
    {
        if (held_bytes_ + n <= ALWAYS_HELD) return true;
        if (!limit_) limit_ = std::max(ALWAYS_HELD, memory_budget() / 8);
        return held_bytes_ + n <= *limit_;
    }

    std::deque<std::string> held_;
    size_t held_bytes_ = 0;
    std::optional<size_t> limit_;
    std::unique_ptr<spill_file> file_;
    std::optional<spill_writer> writer_;
};

comment_queue cmnts;

}  // namespace

int iscomment(const char* line, int* countdown)
{
    if (line[0] == '\0') return 1;
    if (settings.starskip && std::strchr(line, '*')) return 1;
    if (countdown && *countdown > 0) {
        --*countdown;
        return 1;
    }
    if (line[0] == '!' || line[0] == '#' || line[0] == ';') return 1;
    if (line[0] >= '0' && line[0] <= '9') return 0;
    if (!std::strpbrk(line, "0123456789")) return 1;
    return 0;
}

void strip_crlf(char* s)
{
    size_t len = std::strlen(s);
    while (len > 0 && (s[len - 1] == '\r' || s[len - 1] == '\n')) s[--len] = '\0';
}

namespace {

// A line the reader has read: true for a data line; a comment line is written to ostream,
// queued (ostream null) or dropped, as the rules say.
inline bool is_data_line(char* s, FILE* ostream, const reader_rules& rules)
{
    if (!iscomment(s, rules.countdown)) return true;
    strip_crlf(s);
    if (rules.keep_comments) {
        if (ostream)
            output.output_comment(ostream, s);
        else
            cmnts.push(s);
    }
    return false;
}

}  // namespace

char* myfgets_o(char* s, size_t n, FILE* stream, FILE* ostream, const reader_rules& rules)
{
    const int size = n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
    for (;;) {
        if (!fgets_unlocked(s, size, stream)) {
            // A failed read must not pass for the end of the data.
            if (ferror_unlocked(stream)) error("%s\n", read_failure(stream).c_str());
            return nullptr;
        }
        if (is_data_line(s, ostream, rules)) {
            progress::row(stream, "reading");
            return s;
        }
    }
}

namespace {
constexpr size_t PIECES_BLOCK = 1 << 20;
}

line_pieces::line_pieces(FILE* in, size_t size)
    : in_(in),
      most_(std::min(size, static_cast<size_t>(INT_MAX)) - 1),
      capacity_(PIECES_BLOCK + most_),
      buffer_(my_malloc(char, capacity_ + 1))
{
}

void line_pieces::refill()
{
    std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    // What is left is shorter than a piece, so a whole block fits behind it. A block as large as
    // the stream's buffer goes straight from the system into this one.
    const size_t want = PIECES_BLOCK;
    const size_t got = fread_unlocked(buffer_.get() + end_, 1, want, in_);
    end_ += got;
    progress::block(in_, "counting rows");
    if (got < want) {
        // A failed read must not pass for the end of the data.
        if (ferror_unlocked(in_)) error("%s\n", read_failure(in_).c_str());
        ended_ = true;
    }
}

char* line_pieces::next_piece()
{
    if (have_saved_) {
        buffer_[terminated_] = saved_;
        have_saved_ = false;
    }
    size_t stop;
    for (;;) {
        const size_t have = end_ - pos_;
        const char* const from = buffer_.get() + pos_;
        if (const void* nl = std::memchr(from, '\n', std::min(have, most_))) {
            stop = static_cast<size_t>(static_cast<const char*>(nl) - buffer_.get()) + 1;
            break;
        }
        if (have >= most_) {
            stop = pos_ + most_;
            break;
        }
        if (ended_) {
            if (have == 0) return nullptr;
            stop = end_;
            break;
        }
        refill();
    }
    char* const piece = buffer_.get() + pos_;
    ++pieces_;
    terminated_ = stop;
    saved_ = buffer_[stop];
    have_saved_ = true;
    buffer_[stop] = '\0';
    pos_ = stop;
    return piece;
}

char* line_pieces::next_data_line(FILE* ostream, const reader_rules& rules)
{
    while (char* s = next_piece())
        if (is_data_line(s, ostream, rules)) return s;
    return nullptr;
}

void flush_comments(FILE* out)
{
    cmnts.drain([out](const char* line) { output.output_comment(out, line); });
}

namespace {

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The end of the plain decimal number at the start of a string: '-' or nothing, digits with at
// most one '.' among or after them (at least one digit), and an exponent 'e' or 'E' with an
// optional sign and at least one digit; it must be followed by white space, a comma or the
// string's end. Null for anything else. Every such token is a number the reader takes whole
// (the short decimal reader, the library's conversion or its scan, whatever its value), so it
// counts as one number without computing its value.
inline const char* plain_decimal_end(const char* q)
{
    if (*q == '-') ++q;
    const char* const first = q;
    while (is_digit(*q)) ++q;
    ptrdiff_t digits = q - first;
    if (*q == '.') {
        const char* const fraction = ++q;
        while (is_digit(*q)) ++q;
        digits += q - fraction;
    }
    if (digits == 0) return nullptr;
    if (*q == 'e' || *q == 'E') {
        ++q;
        if (*q == '+' || *q == '-') ++q;
        if (!is_digit(*q)) return nullptr;
        while (is_digit(*q)) ++q;
    }
    return ends_number(static_cast<unsigned char>(*q)) ? q : nullptr;
}

}  // namespace

size_t scanline(const char* line)
{
    const char* stop;
    return scanline(line, &stop);
}

size_t scanline(const char* line, const char** stop)
{
    if (settings.skip_columns > 0 && ::strnlen(line, settings.skip_columns + 1) <= settings.skip_columns) {
        *stop = line;
        return 0;
    }
    char* p = const_cast<char*>(line) + settings.skip_columns;
    size_t count = 0;
    // Counting and parsing agree on separators: white space, commas and the input delimiter.
    const char delim = static_cast<char>(settings.input_delimiter);
    for (;;) {
        p = eatwhite(p);
        while (delim && *p == delim) p = eatwhite(p + 1);
        if (*p == '\0') break;
        // Plain decimals are counted by their syntax; anything else is read as the rows are.
        const char* q = plain_decimal_end(p);
        if (!q) {
            double v;
            q = read_double(p, p + std::strlen(p), &v);
            if (!q) break;
        }
        ++count;
        p = const_cast<char*>(q);
        if (*p == '\0') break;
    }
    *stop = p;
    return count;
}

namespace {

// The counting passes skip what the data pass will skip, on a copy of the countdown, and
// neither write nor queue comments.
struct counting_pass {
    int countdown = settings.skip_rows;
    reader_rules rules() { return {false, &countdown}; }
};

}  // namespace

size_t scan(FILE* in, const char* name)
{
    auto buffer = line_buffer();
    counting_pass pass;
    size_t count = 0;
    if (myfgets_o(buffer.get(), settings.maxbuff, in, nullptr, pass.rules())) {
        if (settings.strict) [[unlikely]]
            count = strict_fields({name, in, LINE_JUST_READ, true}, buffer.get(), npos_fields);
        else
            count = scanline(buffer.get());
    }
    std::rewind(in);
    return count;
}

size_t get_rows(FILE* in, size_t antal, bool report, bool* rows_follow, const char* name)
{
    counting_pass pass;
    line_pieces lines(in, settings.maxbuff);
    size_t count = 0;
    if (rows_follow) *rows_follow = false;
    while (char* line = lines.next_data_line(nullptr, pass.rules())) {
        const char* stop;
        const size_t found = scanline(line, &stop);
        // Strictly, a line that the count would stop at is refused; strict_fields says why.
        if (settings.strict && (found != antal || *stop != '\0')) [[unlikely]]
            strict_fields({name, in, -1, false, lines.pieces()}, line, antal);
        if (found != antal) {
            if (rows_follow) *rows_follow = std::strlen(line) > settings.skip_columns;
            break;
        }
        ++count;
    }
    if (report) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(count));
    std::rewind(in);
    return count;
}

bool prints_as_itself(const char* p, const char* q)
{
    // Every such text t, read, gives the double nearest to t, which lies within 2^-27 of t (below
    // 1e8 half a unit in the last place is at most 2^-27 < 0.5e-6): "%f" rounds it to t's six
    // decimals, t with zeros appended, and that text has at most 15 characters, so the normal
    // form prints it and removes exactly the appended zeros. "-0" reads as minus zero, which
    // prints as "-0".
    const char* const start = p;
    if (p < q && *p == '-') ++p;
    const char* const whole = p;
    if (p < q && *p == '0') {
        ++p;  // a single zero before the point, never a leading one
    } else {
        while (p < q && is_digit(*p)) ++p;
        if (p == whole) return false;
    }
    if (p - start > 8) return false;  // sign and whole digits, '.' and six decimals: 15 at most
    if (p == q) return true;
    if (*p != '.') return false;
    const char* const fraction = ++p;
    while (p < q && is_digit(*p)) ++p;
    return p == q && p > fraction && p - fraction <= 6 && q[-1] != '0';
}

// ---- Strict reading ----------------------------------------------------------------------------------

namespace {

// The number of the line that ends at `end` in `in` (LINE_JUST_READ: where the stream stands):
// one more than the line ends before it. The stream is read again from its start; the run ends
// right after.
size_t line_number_at(FILE* in, long long end)
{
    if (end == LINE_JUST_READ) end = std::ftell(in);
    std::rewind(in);
    size_t newlines = 0;
    long long left = end - 1;  // the refused line's own line end is not counted
    char chunk[1 << 16];
    while (left > 0) {
        const size_t want = static_cast<size_t>(std::min<long long>(left, sizeof chunk));
        const size_t got = std::fread(chunk, 1, want, in);
        if (got == 0) break;
        for (size_t i = 0; i < got; ++i) newlines += chunk[i] == '\n';
        left -= static_cast<long long>(got);
    }
    return newlines + 1;
}

size_t line_number_of(const input_place& at)
{
    if (at.line > 0) return at.line;
    // A stream read once cannot be read again to find the line: its reader counted them.
    if (at.lines_read && mode_reads_once(settings.mode)) return *at.lines_read;
    return at.in ? line_number_at(at.in, at.end) : 0;
}

// A text as the report quotes it: its line end removed and at most 60 characters.
std::string quoted(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    constexpr size_t MOST = 60;
    std::string q = "\"";
    q.append(text.substr(0, MOST));
    if (text.size() > MOST) q.append("...");
    q.append("\"");
    return q;
}

// The field that starts at p: up to white space, a comma or the end.
std::string_view field_from(const char* p)
{
    const char* q = p;
    while (!ends_number(static_cast<unsigned char>(*q))) ++q;
    return {p, static_cast<size_t>(q - p)};
}

inline bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether the field names an infinity ("inf", "-Infinity", ...) rather than overflowing to one.
bool names_infinity(const char* p)
{
    if (*p == '+' || *p == '-') ++p;
    return *p == 'i' || *p == 'I';
}

// The hint for a field that is no number.
std::string hint_for_field(const input_place& at, std::string_view field)
{
    for (const char* missing : {"NA", "N/A", "na", "n/a", "null", "NULL", "None", "-", "?", "."})
        if (field == missing) return "a missing value can be written as nan, which is read as not-a-number";
    if (at.first_data_line && std::any_of(field.begin(), field.end(), is_letter))
        return "if this line is a header, skip it with --skip-rows=" + std::to_string(line_number_of(at)) +
               " or start it with '#'";
    for (const char c : {';', '|', ':', '/'})
        if (field.find(c) != std::string_view::npos)
            return std::string("to read '") + c + "' as a separator, give --input-delimiter='" + c + "'";
    return {};
}

}  // namespace

void strict_error(const input_place& at, size_t field, std::string_view text, const std::string& problem,
                  const std::string& hint)
{
    std::string where = "vorn: ";
    if (at.file) where.append(at.file);
    if (at.line > 0 || at.end >= 0 || at.end == LINE_JUST_READ) {
        if (at.file) where.append(", ");
        where.append("line ").append(std::to_string(line_number_of(at)));
    }
    if (field > 0) where.append(where.size() > 6 ? ", " : "").append("field ").append(std::to_string(field));
    if (where.size() > 6) where.append(": ");
    where.append(problem);
    if (!text.empty()) where.append(": ").append(quoted(text));
    // On a line of its own, whatever progress text came before it.
    std::fprintf(stderr, "\n%s\n", where.c_str());
    if (!hint.empty()) std::fprintf(stderr, "vorn: hint: %s\n", hint.c_str());
    end_after_error();
}

input_place place_of_last_line(const open__files& of)
{
    return {of.namein, of.in, LINE_JUST_READ, false, 0, &of.lines_read};
}

size_t strict_fields(const input_place& at, char* line, size_t vars, double* var, field_text* text)
{
    const size_t len = std::strlen(line);
    if (len <= settings.skip_columns)
        strict_error(at, 0, line,
                     "the line is not longer than the " + std::to_string(settings.skip_columns) +
                         " characters skipped at the start of every line (--skip-columns), which would end the rows "
                         "here");
    char* const from = line + settings.skip_columns;
    if (settings.input_delimiter) {
        const char delim = static_cast<char>(settings.input_delimiter);
        for (char* q = from; *q; ++q)
            if (*q == delim) *q = ' ';
    }
    const char* const end = line + len;
    const char* p = from;
    size_t i = 0;
    for (;; ++i) {
        p = eatwhite(const_cast<char*>(p));
        if (*p == '\0') break;
        double v;
        bool itself;
        const char* next = read_number<true>(p, end, &v, &itself);
        if (!next || !ends_number(static_cast<unsigned char>(*next)) || (std::isinf(v) && !names_infinity(p)))
            [[unlikely]] {
            const std::string_view field = field_from(p);
            if (next && field.size() == static_cast<size_t>(next - p))
                strict_error(at, i + 1, field, "too large for a double");
            strict_error(at, i + 1, field, "not a number", hint_for_field(at, field));
        }
        if (i < vars && var) {
            var[i] = v;
            if (text) text[i] = itself ? field_text{p, static_cast<size_t>(next - p), v} : field_text{};
        }
        p = next;
    }
    if (vars != npos_fields && i != vars)
        strict_error(at, 0, line,
                     std::to_string(i) + (i == 1 ? " number" : " numbers") + ", where the first data row has " +
                         std::to_string(vars));
    return i;
}

std::string_view field_of_line(const char* line, size_t k)
{
    if (std::strlen(line) <= settings.skip_columns) return {};
    const char* p = line + settings.skip_columns;
    for (size_t i = 0;; ++i) {
        p = eatwhite(const_cast<char*>(p));
        if (*p == '\0') return {};
        const std::string_view field = field_from(p);
        if (i == k) return field;
        p += field.size();
    }
}

namespace {

// The row reader of strict mode: myfgets_o counting every line it reads, then strict_fields.
double* readline_strictly(open__files& of, double* var, FILE* ut, size_t vars, field_text* text,
                          const reader_rules& rules)
{
    char* const s = of.line.get();
    const int size = settings.maxbuff > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(settings.maxbuff);
    do {
        if (!fgets_unlocked(s, size, of.in)) {
            if (ferror_unlocked(of.in)) error("%s\n", read_failure(of.in).c_str());
            return nullptr;
        }
        ++of.lines_read;
    } while (!is_data_line(s, ut, rules));
    strict_fields(place_of_last_line(of), s, vars, var, text);
    return var;
}

}  // namespace

double* readline(open__files& of, double* var, FILE* ut, size_t vars, field_text* text, const reader_rules& rules)
{
    FILE* const in = of.in;
    // One buffer serves every row of the pair: the line size is fixed once the options are read.
    if (!of.line) of.line = line_buffer();
    if (std::feof(in)) return nullptr;
    if (settings.strict) [[unlikely]]
        return readline_strictly(of, var, ut, vars, text, rules);
    char* line = myfgets_o(of.line.get(), settings.maxbuff, in, ut, rules);
    if (!line) return nullptr;
    const size_t len = std::strlen(line);
    if (len <= settings.skip_columns) return nullptr;
    char* p = line + settings.skip_columns;
    if (settings.input_delimiter) {
        const char delim = static_cast<char>(settings.input_delimiter);
        for (char* q = p; *q; ++q)
            if (*q == delim) *q = ' ';
    }
    size_t i = 0;
    const char* cur = p;
    const char* const end = line + len;
    while (i < vars) {
        // Commas separate numbers here as they do when the columns are counted.
        cur = eatwhite(const_cast<char*>(cur));
        bool itself;
        const char* next = read_number<true>(cur, end, &var[i], &itself);
        if (!next) break;
        if (text) text[i] = itself ? field_text{cur, static_cast<size_t>(next - cur), var[i]} : field_text{};
        ++i;
        cur = next;
    }
    for (; i < vars; ++i) {
        var[i] = 0.0;
        if (text) text[i] = field_text{};
    }
    return var;
}

// ---- File pairs ------------------------------------------------------------------------------------

const char* const NO_SELECTION = reinterpret_cast<const char*>(~static_cast<uintptr_t>(0));

namespace {

constexpr size_t STREAM_BUFFER = 1048576;
// Standard output keeps one buffer for the whole process: it outlives every file pair.
char stdout_buffer[STREAM_BUFFER];
bool stdout_buffered = false;

bool is_stdout_name(const char* name)
{
    return std::strcmp(name, "stdout") == 0 || std::strcmp(name, "STDOUT") == 0 || std::strcmp(name, "-") == 0;
}

// The names of the open output files, so that a failed write can name its file.
struct named_output {
    FILE* stream;
    const char* name;
};
std::vector<named_output> open_outputs;

const char* output_name(FILE* out)
{
    if (out == stdout) return "standard output";
    for (const named_output& o : open_outputs)
        if (o.stream == out) return o.name;
    return "the output";
}

void forget_output(FILE* out)
{
    std::erase_if(open_outputs, [out](const named_output& o) { return o.stream == out; });
}

[[noreturn]] void write_failed(FILE* out, int error_number)
{
    error("Could not write %s: %s\n", output_name(out), error_number ? std::strerror(error_number) : "write error");
}

}  // namespace

open__files::~open__files()
{
    if (in) std::fclose(in);
    if (out) {
        if (out == stdout) {
            std::fflush(out);
        } else {
            forget_output(out);
            discard_output(out);
        }
    }
}

size_t openin(open__files& of)
{
    opened_input source = open_input(of.namein);
    if (source.result == opened_input::status::cannot_open) error("Could not open file %s\n", of.namein);
    if (source.result == opened_input::status::failed) error("%s\n", source.reason.c_str());
    of.in = source.stream.release();
    of.in_identity = source.identity;
    of.inbuf = my_malloc(char, STREAM_BUFFER);
    std::setvbuf(of.in, of.inbuf.get(), _IOFBF, STREAM_BUFFER);
    std::rewind(of.in);
    const size_t antal = scan(of.in, of.namein);
    if (of.report_counts) std::fprintf(stderr, "Found %lu variables.\n", static_cast<unsigned long>(antal));
    return antal;
}

void refuse_output_onto_input(const open__files& of)
{
    if (!of.nameout || !of.in_identity.regular) return;
    if (is_stdout_name(of.nameout)) {
        if (same_regular_file(identity_of_descriptor(STDOUT_FILENO), of.in_identity))
            error("Standard output is the same file as the input %s\n", of.namein);
    } else if (same_regular_file(identity_of_path(of.nameout), of.in_identity)) {
        error("Output file %s is the same file as the input %s\n", of.nameout, of.namein);
    }
}

namespace {

// What a name given for reading stands for: standard input for "-" (unless a file has that name).
file_identity identity_of_source(const char* name)
{
    struct stat st;
    if (std::strcmp(name, "-") == 0 && ::lstat(name, &st) != 0) return identity_of_descriptor(STDIN_FILENO);
    return identity_of_path(name);
}

}  // namespace

void refuse_output_onto_selection(const char* nameout, const char* selection)
{
    if (!nameout || !selection) return;
    const file_identity target =
        is_stdout_name(nameout) ? identity_of_descriptor(STDOUT_FILENO) : identity_of_path(nameout);
    if (same_regular_file(target, identity_of_source(selection))) {
        if (is_stdout_name(nameout)) error("Standard output is the same file as the selection file %s\n", selection);
        error("Output file %s is the same file as the selection file %s\n", nameout, selection);
    }
}

size_t openout(open__files& of, size_t antal, size_t lines)
{
    if (!of.nameout) return antal;
    open_output_stream(of);
    if (settings.keep_comments) flush_comments(of.out);
    size_t nr = (settings.mode == REM_COL || settings.mode == CUT_SQUARE) ? settings.marked : antal;
    nr += settings.extra_columns;
    const size_t announced = settings.add_line_count ? lines + settings.extra_lines : 0;
    output.prolog(of.out, nr, announced);
    return antal;
}

bool output_is_stdout(const open__files& of) { return of.nameout && is_stdout_name(of.nameout); }

void open_output_stream(open__files& of)
{
    refuse_output_onto_input(of);
    if (is_stdout_name(of.nameout)) {
        of.out = stdout;
        if (!stdout_buffered) {
            std::setvbuf(stdout, stdout_buffer, _IOFBF, STREAM_BUFFER);
            stdout_buffered = true;
        }
    } else {
        of.out = of.take_back ? open_output(of.nameout, settings.append != 0)
                              : std::fopen(of.nameout, settings.append ? "a" : "w");
        if (!of.out) error("Could not open file %s for %s\n", of.nameout, settings.append ? "appending" : "writing");
        of.outbuf = my_malloc(char, STREAM_BUFFER);
        std::setvbuf(of.out, of.outbuf.get(), _IOFBF, STREAM_BUFFER);
        open_outputs.push_back(named_output{of.out, of.nameout});
    }
}

flag_array open_flags(const char* flagfile, size_t antal, const char* namein)
{
    flag_array flag;
    try {
        flag.assign(antal + 102, 0);
    } catch (const std::bad_alloc&) {
        out_of_memory_(__FILE_NAME__, __LINE__, antal + 102);
    }
    if (flagfile != NO_SELECTION) {
        readflags(flagfile, flag.data(), settings.inverse, settings.flag_lines, antal, {"column", namein});
        settings.marked = flagged(flag.data(), antal);
    } else {
        settings.marked = 0;
    }
    return flag;
}

size_t openfiles(open__files& of, const char* flagfile, flag_array* flag)
{
    const size_t antal = openin(of);
    size_t lines = 0;
    if (settings.add_line_count) lines = get_rows(of.in, antal, of.report_counts, nullptr, of.namein);
    if (flag) *flag = open_flags(flagfile, antal, of.namein);
    openout(of, antal, lines);
    std::fflush(stderr);
    flush_output(stdout);
    // An operation that reads its rows once lets a stream flow on without a copy.
    if (mode_reads_once(settings.mode)) read_rest_once(of.in);
    return antal;
}

size_t openfiles_t(open__files& of, const char* flagfile, flag_array* flag, size_t* lines_, bool* rows_follow)
{
    const size_t antal = openin(of);
    const size_t lines = get_rows(of.in, antal, of.report_counts, rows_follow, of.namein);
    if (lines_) *lines_ = lines;
    if (flag) *flag = open_flags(flagfile, antal, of.namein);
    openout(of, antal, lines);
    std::fflush(stderr);
    flush_output(stdout);
    return antal;
}

void closefiles(open__files& of)
{
    if (of.in) {
        std::fclose(of.in);
        of.in = nullptr;
    }
    if (of.out) {
        output.epilog(of.out);
        close_output_stream(of);
    }
    of.inbuf.reset();
    of.outbuf.reset();
    of.line.reset();
}

void close_output_stream(open__files& of)
{
    if (!of.out) return;
    flush_output(of.out);
    FILE* const out = std::exchange(of.out, nullptr);
    if (out != stdout) {
        forget_output(out);
        const int failure = commit_output(out);
        if (failure != 0) error("Could not write %s: %s\n", of.nameout, std::strerror(failure));
    }
}

void flush_output(FILE* out)
{
    errno = 0;
    if (std::fflush(out) != 0 || std::ferror(out)) write_failed(out, errno);
}

void finish_standard_output() { flush_output(stdout); }

// ---- Writing -----------------------------------------------------------------------------------------

int writeline(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text)
{
    if (output.row) {
        output.row(out, var, vars, flag, text);
    } else {
        output.line_start(out);
        bool first = true;
        for (size_t i = 0; i < vars; ++i) {
            if (flag && flag[i]) continue;
            if (!first) output.column_separator(out);
            output.output_double(out, i, var[i]);
            first = false;
        }
        output.line_end(out);
    }
    // The stream notes a failed write; its reason is still in errno right after it.
    if (ferror_unlocked(out)) [[unlikely]]
        write_failed(out, errno);
    return 0;
}
