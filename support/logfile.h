// The run log: one line per run appended to a plain text file, "%x %X" local date and time
// (time locale of the environment) followed by every argument after one blank. An argument
// holding a blank, ',' or '*' is quoted: "--name=value" as --name="value", any other whole, with
// '\' before every '"' and '\' inside the quotes. Other arguments are written as they are.
#pragma once
#include <cstdio>
#include <string>

// Appends the run's line to "logfile" in the working directory.
void logfile(int argc, const char* const* argv);
// Appends the line for argc elements of argv to the file named logfile. When the file cannot
// be opened (11 attempts), writes "No logfile entry\n" to standard error instead. The line is
// written with a single write on a descriptor opened for appending.
void flogfile(const char* logfile, int argc, const char* const* argv);
// s with a '\' before every '"' and every '\'; empty for a null or empty s.
std::string quote_string(const char* s);
// " --name=" and the quoted value for an argument "--name=value" (the whole argument quoted
// when it has no '=').
std::string long_opt_text(const char* s);
// Writes long_opt_text(s).
void logfile_long_opt(FILE* lfile, const char* s);
