// Selections: inline strings ("1,3,5-7,10:5:-1") and selection files become flag arrays.
#include "readflag.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "utils.h"

void add_flaglines(sll_list<std::string>& list, const char* arg)
{
    if (!arg) return;
    // Only the first character is checked; the terminator counts as allowed, so an empty
    // selection is taken and selects nothing.
    if (!std::strchr("0123456789-, ", arg[0])) error("invalid characters in option argument for option -e: %s.\n", arg);
    list.sll_push(arg);
}

namespace {

// Strict mode: a selection position must lie within the input.
void check_position(long long at, long long n, const char* token, const selection_scope& scope)
{
    if (!settings.strict || (at >= 1 && at <= n)) return;
    const std::string unit = scope.unit;
    strict_error({scope.input}, 0, token,
                 at < 1 ? "the selection names " + unit + " " + std::to_string(at) + ", but " + unit + "s count from 1"
                        : "the selection names " + unit + " " + std::to_string(at) + ", but the file has " +
                              std::to_string(n) + " " + unit + (n == 1 ? "" : "s"));
}

}  // namespace

void parse_token(char* flag, const char* buf, size_t vars, const selection_scope& scope)
{
    const long long n = static_cast<long long>(vars);
    int first = 0, step = 0, last = 0;
    if (std::sscanf(buf, "%8d : %8d : %8d", &first, &step, &last) == 3) {
        check_position(first, n, buf, scope);
        if (last != -1) check_position(last, n, buf, scope);
        if (settings.debug) dbg_printf("first:%d step:%dlast:%d\n", first, step, last);
        if (step < 1) {
            err_printf("Error: step can't be less than 1: %d\n", step);
            end_process(1);
        }
        long long lo = first;
        long long hi = last == -1 ? n : last;
        if (lo > hi) std::swap(lo, hi);
        if (lo < 1) lo = 1;
        for (long long i = lo; i <= hi && i <= n; i += step) flag[i - 1] = 1;
        return;
    }
    int a = 0, b = 0;
    const int got = std::sscanf(buf, "%8d - %8d", &a, &b);
    if (got == 2) {
        check_position(a, n, buf, scope);
        check_position(b, n, buf, scope);
        long long lo = a, hi = b;
        if (lo > hi) std::swap(lo, hi);
        if (lo < 1) lo = 1;
        if (hi > n) hi = n;
        for (long long i = lo; i <= hi; ++i) flag[i - 1] = 1;
    } else if (got == 1) {
        check_position(a, n, buf, scope);
        if (a <= 0) {
            std::fprintf(stderr, "invalid index=%d\n", a);
            return;
        }
        if (static_cast<long long>(a) <= n) flag[a - 1] = 1;
    } else if (got == 0 && settings.strict) {
        strict_error({scope.input}, 0, buf, "the selection names no " + std::string(scope.unit) + " here");
    }
}

namespace {

// Splits a private copy of a selection at commas and marks from every token.
void parse_tokens(char* flag, const char* text, size_t vars, const selection_scope& scope)
{
    std::string copy(text);
    size_t start = 0;
    for (;;) {
        const size_t comma = copy.find(',', start);
        const std::string token = copy.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!token.empty()) parse_token(flag, token.c_str(), vars, scope);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

}  // namespace

void readflags(const char* name, char* flag, int local_inverse, const sll_list<std::string>& p, size_t vars,
               const selection_scope& scope)
{
    auto buffer = line_buffer();
    if (name) {
        opened_input source = open_input(name);
        if (source.result == opened_input::status::cannot_open) error("Could not open vorn file: %s", name);
        if (source.result == opened_input::status::failed) error("%s\n", source.reason.c_str());
        const unique_file file = std::move(source.stream);
        // The selection file's lines are not data-file lines: they neither use up the rows the
        // user asked to skip nor join the data file's comments in the output.
        const reader_rules selection_file{.keep_comments = false, .countdown = nullptr};
        while (myfgets_o(buffer.get(), settings.maxbuff, file.get(), nullptr, selection_file))
            parse_tokens(flag, buffer.get(), vars, scope);
    }
    for (const std::string& s : p) parse_tokens(flag, s.c_str(), vars, scope);
    if (local_inverse && vars > 0)
        for (size_t i = 0; i < vars; ++i) flag[i] = static_cast<char>(1 - flag[i]);
    std::fflush(stderr);
}

size_t flagged(const char* flag, size_t antal)
{
    size_t count = 0;
    for (size_t i = 0; i < antal; ++i)
        if (flag[i] == 0) ++count;
    return count;
}

void printflagged(FILE* f, const char* flag, size_t antal)
{
    size_t i = 0;
    while (i < antal) {
        if (flag[i] == settings.inverse) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < antal && flag[i] != settings.inverse) ++i;
        if (i - start == 1)
            std::fprintf(f, "%u ", static_cast<unsigned>(start + 1));
        else
            std::fprintf(f, "%u-%u ", static_cast<unsigned>(start + 1), static_cast<unsigned>(i));
    }
}
