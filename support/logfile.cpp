#include "logfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <ctime>
#include <optional>

namespace {

constexpr int OPEN_ATTEMPTS = 11;

// The line is built whole before anything is written, so a run that runs out of memory while
// quoting leaves no partial line behind.
std::string quoted(const char* s) { return quote_string(s); }

void log_argument(std::string& line, const char* arg)
{
    if (!std::strpbrk(arg, " ,*")) {
        line += ' ';
        line += arg;
    } else if (std::strncmp(arg, "--", 2) == 0 && std::strchr(arg, '=')) {
        line += long_opt_text(arg);
    } else {
        line += " \"" + quoted(arg) + '"';
    }
}

}  // namespace

std::string quote_string(const char* s)
{
    std::string q;
    if (!s) return q;
    q.reserve(2 * std::strlen(s));
    for (; *s; ++s) {
        if (*s == '"' || *s == '\\') q += '\\';
        q += *s;
    }
    return q;
}

std::string long_opt_text(const char* s)
{
    const char* eq = std::strchr(s, '=');
    if (!eq) return " \"" + quoted(s) + '"';
    return ' ' + std::string(s, eq) + "=\"" + quoted(eq + 1) + '"';
}

void logfile_long_opt(FILE* lfile, const char* s) { std::fputs(long_opt_text(s).c_str(), lfile); }

namespace {

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The log file open on fd may take the line: a regular file that is none of the run's files.
bool may_log_to(int fd, const char* const* names, int name_count)
{
    struct stat log {};
    if (::fstat(fd, &log) != 0 || !S_ISREG(log.st_mode)) return false;
    struct stat other {};
    for (const int standard : {STDIN_FILENO, STDOUT_FILENO})
        if (::fstat(standard, &other) == 0 && same_file(log, other)) return false;
    for (int i = 0; i < name_count; ++i)
        if (::stat(names[i], &other) == 0 && same_file(log, other)) return false;
    return true;
}

}  // namespace

void flogfile(const char* logfile, int argc, const char* const* argv, const char* const* names, int name_count)
{
    std::optional<std::string> time_locale;
    if (const char* name = std::setlocale(LC_TIME, "")) time_locale = name;

    // The line goes out in one write on a descriptor opened for appending, so that runs in
    // parallel never interleave their lines.
    int fd = -1;
    for (int attempt = 0; attempt < OPEN_ATTEMPTS && fd < 0; ++attempt)
        fd = ::open(logfile, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd >= 0 && !may_log_to(fd, names, name_count)) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        std::fprintf(stderr, "No logfile entry\n");
    } else {
        char date[30];
        const std::time_t now = std::time(nullptr);
        const std::tm* local = std::localtime(&now);
        if (!local || std::strftime(date, sizeof date, "%x %X", local) == 0) date[0] = '\0';
        std::string line = date;
        for (int i = 0; i < argc; ++i) log_argument(line, argv[i]);
        line += '\n';
        ssize_t written;
        do {
            written = ::write(fd, line.data(), line.size());
        } while (written < 0 && errno == EINTR);
        // A line that cannot be written is not reported: the log never stops a run.
        ::close(fd);
    }
    if (time_locale) std::setlocale(LC_TIME, time_locale->c_str());
}

void logfile(int argc, const char* const* argv, int first_name)
{
    const int names = first_name >= 1 && first_name < argc ? argc - first_name : 0;
    flogfile("logfile", argc, argv, names > 0 ? argv + first_name : nullptr, names);
}
