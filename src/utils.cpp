// The data file engine: diagnostics, memory wrappers, the line reader, file pairs and row writing.
#include "utils.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <climits>
#include <deque>
#include <new>
#include <string>

#include "readflag.h"
#include "unfinished_outputs.h"

// ---- Diagnostics -------------------------------------------------------------------------------

void error_(const char* file, int line, const char* fmt, ...)
{
    std::fprintf(stderr, "\nError in File:%s(%d):\n", file, line);
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    undo_unfinished(stderr);
    if (settings.wait_on_error) {
        std::fprintf(stderr, "\nPress enter to continue\n");
        std::fflush(stderr);
        std::getchar();
        std::getchar();
    }
    std::exit(1);
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

void out_of_memory_(const char* file, int line, size_t size)
{
    error_(file, line, "Could not allocate memory %lu bytes\n", static_cast<unsigned long>(size));
}

double_table my_malloc_array_(size_t rows, size_t columns)
{
    double_table t;
    t.rows = my_malloc(double*, rows);
    const bool too_big = columns != 0 && rows > static_cast<size_t>(-1) / sizeof(double) / columns;
    t.block = my_malloc(double, too_big ? static_cast<size_t>(-1) / sizeof(double) + 1 : rows * columns);
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

}  // namespace

// The common case of a short decimal: at most 19 digits whose value stays below 2^53 and a power
// of ten of at most 22 either way. Both factors are exact doubles, so one multiplication or
// division rounds exactly as the library does. Anything else is left to the general readers.
const char* read_short_decimal(const char* p, const char* end, double* value)
{
    static constexpr double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* q = p;
    const bool negative = *q == '-';
    if (negative) ++q;
    uint64_t w = 0;
    int digits = 0;
    int scale = 0;
    while (q < end && *q >= '0' && *q <= '9') {
        w = w * 10 + static_cast<uint64_t>(*q++ - '0');
        ++digits;
    }
    if (q < end && *q == '.') {
        ++q;
        while (q < end && *q >= '0' && *q <= '9') {
            w = w * 10 + static_cast<uint64_t>(*q++ - '0');
            ++digits;
            --scale;
        }
    }
    if (digits == 0 || digits > 19) return nullptr;
    if (q < end && (*q == 'e' || *q == 'E')) {
        ++q;
        bool exp_negative = false;
        if (q < end && (*q == '+' || *q == '-')) exp_negative = *q++ == '-';
        if (q >= end || *q < '0' || *q > '9') return nullptr;
        int e = 0;
        while (q < end && *q >= '0' && *q <= '9') {
            if (e < 1000) e = e * 10 + (*q - '0');
            ++q;
        }
        scale += exp_negative ? -e : e;
    }
    if (q < end && !ends_number(static_cast<unsigned char>(*q))) return nullptr;
    if (w > (uint64_t{1} << 53) || scale < -22 || scale > 22) return nullptr;
    double v = static_cast<double>(w);
    v = scale < 0 ? v / powers[-scale] : v * powers[scale];
    *value = negative ? -v : v;
    return q;
}

const char* read_double(const char* p, const char* end, double* value)
{
    while (p < end && is_c_space(static_cast<unsigned char>(*p))) ++p;
    if (p >= end) return nullptr;
    const char c = *p;
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
        if (const char* q = read_short_decimal(p, end, value)) return q;
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

// Comment lines met before an output exists, oldest first.
std::deque<std::string> cmnts;

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
    if (!std::strpbrk(line, "0123456789")) return 1;
    return 0;
}

void strip_crlf(char* s)
{
    size_t len = std::strlen(s);
    while (len > 0 && (s[len - 1] == '\r' || s[len - 1] == '\n')) s[--len] = '\0';
}

char* myfgets_o(char* s, size_t n, FILE* stream, FILE* ostream, const reader_rules& rules)
{
    const int size = n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
    for (;;) {
        if (!fgets_unlocked(s, size, stream)) return nullptr;
        if (!iscomment(s, rules.countdown)) return s;
        strip_crlf(s);
        if (rules.keep_comments) {
            if (ostream)
                output.output_comment(ostream, s);
            else
                cmnts.emplace_back(s);
        }
    }
}

void flush_comments(FILE* out)
{
    while (!cmnts.empty()) {
        output.output_comment(out, cmnts.front().c_str());
        cmnts.pop_front();
    }
}

size_t scanline(const char* line)
{
    const size_t len = std::strlen(line);
    if (settings.skip_columns >= len) return 0;
    char* p = const_cast<char*>(line) + settings.skip_columns;
    const char* const end = line + len;
    size_t count = 0;
    // Counting and parsing agree on separators: white space, commas and the input delimiter.
    const char delim = static_cast<char>(settings.input_delimiter);
    for (;;) {
        p = eatwhite(p);
        while (delim && *p == delim) p = eatwhite(p + 1);
        double v;
        const char* q = read_double(p, end, &v);
        if (!q) break;
        ++count;
        p = const_cast<char*>(q);
        if (*p == '\0') break;
    }
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

size_t scan(FILE* in)
{
    auto buffer = line_buffer();
    counting_pass pass;
    size_t count = 0;
    if (myfgets_o(buffer.get(), settings.maxbuff, in, nullptr, pass.rules())) count = scanline(buffer.get());
    std::rewind(in);
    return count;
}

size_t get_rows(FILE* in, size_t antal, bool report, bool* rows_follow)
{
    counting_pass pass;
    auto buffer = line_buffer();
    size_t count = 0;
    if (rows_follow) *rows_follow = false;
    while (myfgets_o(buffer.get(), settings.maxbuff, in, nullptr, pass.rules())) {
        if (scanline(buffer.get()) != antal) {
            if (rows_follow) *rows_follow = std::strlen(buffer.get()) > settings.skip_columns;
            break;
        }
        ++count;
    }
    if (report) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(count));
    std::rewind(in);
    return count;
}

double* readline(open__files& of, double* var, FILE* ut, size_t vars, const reader_rules& rules)
{
    FILE* const in = of.in;
    // One buffer serves every row of the pair: the line size is fixed once the options are read.
    if (!of.line) of.line = line_buffer();
    if (std::feof(in)) return nullptr;
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
        const char* next = read_double(cur, end, &var[i]);
        if (!next) break;
        ++i;
        cur = next;
    }
    for (; i < vars; ++i) var[i] = 0.0;
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

}  // namespace

open__files::~open__files()
{
    if (in) std::fclose(in);
    if (out) {
        if (out == stdout)
            std::fflush(out);
        else
            std::fclose(out);
    }
}

size_t openin(open__files& of)
{
    of.in = std::fopen(of.namein, "r");
    if (!of.in) error("Could not open file %s\n", of.namein);
    of.inbuf = my_malloc(char, STREAM_BUFFER);
    std::setvbuf(of.in, of.inbuf.get(), _IOFBF, STREAM_BUFFER);
    std::rewind(of.in);
    const size_t antal = scan(of.in);
    if (of.report_counts) std::fprintf(stderr, "Found %lu variables.\n", static_cast<unsigned long>(antal));
    return antal;
}

size_t openout(open__files& of, size_t antal, size_t lines)
{
    if (!of.nameout) return antal;
    if (is_stdout_name(of.nameout)) {
        of.out = stdout;
        if (!stdout_buffered) {
            std::setvbuf(stdout, stdout_buffer, _IOFBF, STREAM_BUFFER);
            stdout_buffered = true;
        }
    } else {
        of.out = std::fopen(of.nameout, settings.append ? "a" : "w");
        if (!of.out) error("Could not open file %s for %s\n", of.nameout, settings.append ? "appending" : "writing");
        of.outbuf = my_malloc(char, STREAM_BUFFER);
        std::setvbuf(of.out, of.outbuf.get(), _IOFBF, STREAM_BUFFER);
    }
    if (settings.keep_comments) flush_comments(of.out);
    size_t nr = (settings.mode == REM_COL || settings.mode == CUT_SQUARE) ? settings.marked : antal;
    nr += settings.extra_columns;
    const size_t announced = settings.add_line_count ? lines + settings.extra_lines : 0;
    output.prolog(of.out, nr, announced);
    return antal;
}

flag_array open_flags(const char* flagfile, size_t antal)
{
    flag_array flag;
    try {
        flag.assign(antal + 102, 0);
    } catch (const std::bad_alloc&) {
        out_of_memory_(__FILE_NAME__, __LINE__, antal + 102);
    }
    if (flagfile != NO_SELECTION) {
        readflags(flagfile, flag.data(), settings.inverse, settings.flag_lines, antal);
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
    if (settings.add_line_count) lines = get_rows(of.in, antal, of.report_counts);
    if (flag) *flag = open_flags(flagfile, antal);
    openout(of, antal, lines);
    std::fflush(stderr);
    std::fflush(stdout);
    return antal;
}

size_t openfiles_t(open__files& of, const char* flagfile, flag_array* flag, size_t* lines_, bool* rows_follow)
{
    const size_t antal = openin(of);
    const size_t lines = get_rows(of.in, antal, of.report_counts, rows_follow);
    if (lines_) *lines_ = lines;
    if (flag) *flag = open_flags(flagfile, antal);
    openout(of, antal, lines);
    std::fflush(stderr);
    std::fflush(stdout);
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
        if (of.out == stdout)
            std::fflush(of.out);
        else
            std::fclose(of.out);
        of.out = nullptr;
    }
    of.inbuf.reset();
    of.outbuf.reset();
    of.line.reset();
}

// ---- Writing -----------------------------------------------------------------------------------------

int writeline(FILE* out, const double* var, size_t vars, const char* flag)
{
    output.line_start(out);
    bool first = true;
    for (size_t i = 0; i < vars; ++i) {
        if (flag && flag[i]) continue;
        if (!first) output.column_separator(out);
        output.output_double(out, i, var[i]);
        first = false;
    }
    output.line_end(out);
    return 0;
}
