#include "dbg_printf.h"

#include <cstdarg>

#include "err_printf.h"

void dbg__printf(const char* file, int line, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    located_vprintf("debug", file, line, fmt, ap);
    va_end(ap);
}
