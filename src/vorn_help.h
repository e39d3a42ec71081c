// The help text.
#pragma once
#include <string>

// Shows the help text and ends the process. Without --more (settings.more) the program runs
// itself again through the shell with help_command(name) and ends with the value that system()
// returned; with it the text goes straight to standard output and the process ends with status 0
// (or 1 with a message when standard output cannot be written).
// name is the invocation name (the first element of the argument vector).
[[noreturn]] void usage(const char* name);
// "\"name\" --more -? | more", with '"', '$', '`' and '\' in name escaped by a '\', so that the
// shell runs the program under exactly that name and nothing else.
std::string help_command(const char* name);
