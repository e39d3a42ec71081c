// One status line on standard error for long runs: what the run is doing, how far it is and
// how long it has left. Only on a terminal, only after the run has taken about a second,
// redrawn at most ten times a second, and erased before anything else is written to standard
// error and when the run ends. Switched off it costs one decrement a row.
#pragma once
#include <climits>
#include <cstdio>

namespace progress {

// Rows until the clock is looked at again; never reached while switched off.
extern long countdown;

// Switches the status line on (standard error must be a terminal: the caller checks the rest).
void start();
constexpr long ROWS_BETWEEN_LOOKS = 4096;
// Where the clock is looked at: `rows` more rows of `in` have been read by the pass `what`.
void check(FILE* in, const char* what, long rows);
// The row reader calls this for every data line it hands on.
inline void row(FILE* in, const char* what)
{
    if (--countdown <= 0) check(in, what, ROWS_BETWEEN_LOOKS);
}
// Readers that count no rows call this for every block they read.
inline void block(FILE* in, const char* what)
{
    if (countdown != LONG_MAX) check(in, what, 0);
}
// What the run is doing now when it reads no rows ("sorting", "merging spilled runs", "writing").
void pass(const char* name);
// Removes the status line, if one is shown; the next check draws it again.
void erase();

}  // namespace progress
