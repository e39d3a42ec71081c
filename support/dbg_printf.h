// Source-located debug trace: "FILE:LINE:: debug: message" on standard error.
#pragma once

void dbg__printf(const char* file, int line, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
#define dbg_printf(...) dbg__printf(__FILE_NAME__, __LINE__, __VA_ARGS__)
