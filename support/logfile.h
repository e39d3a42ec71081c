// The run log: one line per run appended to a plain text file, "%x %X" local date and time
// (time locale of the environment) followed by every argument after one blank. An argument
// holding a blank, ',' or '*' is quoted: "--name=value" as --name="value", any other whole, with
// '\' before every '"' and '\' inside the quotes. Other arguments are written as they are.
#pragma once
#include <cstdio>
#include <string>

// Appends the run's line to "logfile" in the working directory. argv[first_name] on are the
// run's file names (none when first_name is argc or less than 1).
void logfile(int argc, const char* const* argv, int first_name = -1);
// Appends the line for argc elements of argv to the file named logfile. The line goes only to a
// regular file that is none of `names` (the run's files; "-" is standard input) and neither
// standard input nor standard output; it is opened without waiting (a FIFO never holds the run
// up). When the file cannot be opened (11 attempts) or is not such a file, "No logfile entry\n"
// goes to standard error instead; a failed write is not reported. The line is written with
// a single write on a descriptor opened for appending.
void flogfile(const char* logfile, int argc, const char* const* argv, const char* const* names = nullptr,
              int name_count = 0);
// s with a '\' before every '"' and every '\'; empty for a null or empty s.
std::string quote_string(const char* s);
// " --name=" and the quoted value for an argument "--name=value" (the whole argument quoted
// when it has no '=').
std::string long_opt_text(const char* s);
// Writes long_opt_text(s).
void logfile_long_opt(FILE* lfile, const char* s);
