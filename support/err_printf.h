// Source-located error report: "FILE:LINE:: error: message" on standard error. It returns;
// callers for which the condition is fatal end the process right after it.
#pragma once
#include <cstdarg>

void err__printf(const char* file, int line, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
#define err_printf(...) err__printf(__FILE_NAME__, __LINE__, __VA_ARGS__)

// Flushes both standard streams, writes "FILE:LINE:: KIND: " and the message to standard error
// and flushes it: the common form of the source-located printers.
void located_vprintf(const char* kind, const char* file, int line, const char* fmt, va_list ap);
