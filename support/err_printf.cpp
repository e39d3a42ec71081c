#include "err_printf.h"

#include <cstdio>

void located_vprintf(const char* kind, const char* file, int line, const char* fmt, va_list ap)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::fprintf(stderr, "%s:%d:: %s: ", file, line, kind);
    std::vfprintf(stderr, fmt, ap);
    std::fflush(stderr);
}

void err__printf(const char* file, int line, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    located_vprintf("error", file, line, fmt, ap);
    va_end(ap);
}
