#include "logfile.h"

#include <clocale>
#include <cstring>
#include <ctime>
#include <new>
#include <optional>

namespace {

constexpr int OPEN_ATTEMPTS = 11;

// The quoted form of s; empty when memory is exhausted, so that the line stays well formed.
std::string quoted(const char* s)
{
    try {
        return quote_string(s);
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

void log_argument(FILE* lfile, const char* arg)
{
    if (!std::strpbrk(arg, " ,*")) {
        std::fprintf(lfile, " %s", arg);
    } else if (std::strncmp(arg, "--", 2) == 0 && std::strchr(arg, '=')) {
        logfile_long_opt(lfile, arg);
    } else {
        std::fprintf(lfile, " \"%s\"", quoted(arg).c_str());
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

void logfile_long_opt(FILE* lfile, const char* s)
{
    const char* eq = std::strchr(s, '=');
    if (!eq) {
        std::fprintf(lfile, " \"%s\"", quoted(s).c_str());
        return;
    }
    std::fprintf(lfile, " %.*s=", static_cast<int>(eq - s), s);
    std::fprintf(lfile, "\"%s\"", quoted(eq + 1).c_str());
}

void flogfile(const char* logfile, int argc, const char* const* argv)
{
    std::optional<std::string> time_locale;
    if (const char* name = std::setlocale(LC_TIME, "")) time_locale = name;

    FILE* lfile = nullptr;
    for (int attempt = 0; attempt < OPEN_ATTEMPTS && !lfile; ++attempt) lfile = std::fopen(logfile, "a");
    if (!lfile) {
        std::fprintf(stderr, "No logfile entry\n");
    } else {
        char date[30];
        const std::time_t now = std::time(nullptr);
        const std::tm* local = std::localtime(&now);
        if (!local || std::strftime(date, sizeof date, "%x %X", local) == 0) date[0] = '\0';
        std::fputs(date, lfile);
        for (int i = 0; i < argc; ++i) log_argument(lfile, argv[i]);
        std::fputc('\n', lfile);
        std::fclose(lfile);
    }
    if (time_locale) std::setlocale(LC_TIME, time_locale->c_str());
}

void logfile(int argc, const char* const* argv)
{
    flogfile("logfile", argc, argv);
}
