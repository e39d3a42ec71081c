// The help text.
#pragma once

// Shows the help text and ends the process. Without --more (settings.more) the program runs
// itself again as "\"name\" --more -? | more" and ends with the value that system() returned;
// with it the text goes straight to standard output and the process ends with status 0.
// name is the invocation name (the first element of the argument vector).
[[noreturn]] void usage(const char* name);
