// The status line of long runs (see progress.h).
#include "progress.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <string>

namespace progress {

long countdown = LONG_MAX;

namespace {

using clock = std::chrono::steady_clock;

constexpr auto FIRST_DRAW = std::chrono::milliseconds(1000);
constexpr auto REDRAW = std::chrono::milliseconds(100);

struct status {
    bool on = false;
    bool shown = false;
    clock::time_point started;
    clock::time_point drawn;
    const char* pass = "reading";
    unsigned long long rows = 0;  // rows of this pass over this stream
    FILE* in = nullptr;
    long at = 0;
    bool line_start = true;  // the last byte written to standard error ended a line
    char buffer[512];        // standard error's buffer while the line may be shown
};
status state;

void write_all(const char* p, size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(STDERR_FILENO, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        p += w;
        n -= static_cast<size_t>(w);
    }
}

// Standard error while the line may be shown: whatever is written goes out after the line is
// erased, so that no message lands behind it.
ssize_t write_after_erasing(void*, const char* buf, size_t size)
{
    erase();
    write_all(buf, size);
    if (size > 0) state.line_start = buf[size - 1] == '\n';
    return static_cast<ssize_t>(size);
}

// A byte count in B, kB, MB, GB or TB (powers of 1000), three significant digits or so.
std::string bytes(double n)
{
    static const char* const units[] = {"B", "kB", "MB", "GB", "TB"};
    int u = 0;
    while (n >= 1000 && u < 4) {
        n /= 1000;
        ++u;
    }
    char text[32];
    std::snprintf(text, sizeof text, u == 0 ? "%.0f %s" : "%.1f %s", n, units[u]);
    return text;
}

std::string duration(double seconds)
{
    const auto s = static_cast<unsigned long long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%llu:%02llu", s / 60, s % 60);
    return text;
}

void draw(FILE* in, clock::time_point now)
{
    // Never over a line that a message has begun.
    if (!state.line_start) return;
    const double elapsed = std::chrono::duration<double>(now - state.started).count();
    std::string line = "\rvorn: ";
    line += state.pass;
    char text[64];
    if (state.rows > 0) {
        std::snprintf(text, sizeof text, ", %llu rows", state.rows);
        line += text;
    }
    const long done = in ? std::ftell(in) : -1;
    struct stat st {};
    if (done > 0) {
        line += ", " + bytes(static_cast<double>(done));
        const bool sized = ::fstat(fileno(in), &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= done;
        if (sized && st.st_size > 0) {
            std::snprintf(text, sizeof text, " of %s (%.0f%%)", bytes(static_cast<double>(st.st_size)).c_str(),
                          100.0 * static_cast<double>(done) / static_cast<double>(st.st_size));
            line += text;
        }
        const double rate = static_cast<double>(done) / elapsed;
        line += ", " + bytes(rate) + "/s";
        if (sized && rate > 0) line += ", " + duration(static_cast<double>(st.st_size - done) / rate) + " left";
    }
    // One line of the terminal at most, so that the carriage return goes back to its start.
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 1 && line.size() > ws.ws_col)
        line.resize(ws.ws_col);  // the text is ASCII: one byte a column
    line += "\x1b[K";
    write_all(line.data(), line.size());
    state.shown = true;
    state.drawn = now;
}

}  // namespace

void start()
{
    // Standard error becomes a stream that erases the line before it writes, buffered as before.
    std::fflush(stderr);
    if (FILE* erasing = fopencookie(nullptr, "w", {nullptr, write_after_erasing, nullptr, nullptr})) {
        std::setvbuf(erasing, state.buffer, _IOLBF, sizeof state.buffer);
        stderr = erasing;
    } else {
        return;
    }
    state.on = true;
    state.started = clock::now();
    countdown = ROWS_BETWEEN_LOOKS;
}

void check(FILE* in, const char* what, long rows)
{
    countdown = state.on ? ROWS_BETWEEN_LOOKS : LONG_MAX;
    if (!state.on) return;
    // Another stream, or the same one rewound: another pass.
    const long at = std::ftell(in);
    if (in != state.in || at < state.at) state.rows = 0;
    state.in = in;
    state.at = at;
    state.pass = what;
    state.rows += static_cast<unsigned long long>(rows);
    const clock::time_point now = clock::now();
    if (now - state.started < FIRST_DRAW || (state.shown && now - state.drawn < REDRAW)) return;
    draw(in, now);
}

void pass(const char* name)
{
    state.pass = name;
    state.rows = 0;
    state.in = nullptr;
    const clock::time_point now = clock::now();
    if (state.on && now - state.started >= FIRST_DRAW) draw(nullptr, now);
}

void erase()
{
    if (!state.shown) return;
    state.shown = false;
    write_all("\r\x1b[K", 4);
}

}  // namespace progress
