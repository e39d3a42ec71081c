// Argument files: an argument "@name" or "$name" is replaced by the lines of the file name,
// one argument per line, exactly as read (blanks kept, a carriage return before the line feed
// kept, an empty line is an empty argument, lines longer than 4095 characters cut into pieces
// of 4095). A line naming "@other" or "$other" is expanded in place; arguments beginning with
// '#' are discarded, on the command line and in files alike. A file that cannot be opened
// leaves its argument as it is, '@' or '$' included.
//
// Argument files are opened like every input (input_source.h): standard input as "-", pipes and
// process substitutions are read once into a copy, so both passes see the same lines, and
// compressed files are decompressed.
//
// Nesting is limited: a file is opened only while fewer than ARG_FILE_MAX_DEPTH argument files
// enclose it; deeper, "@name" is taken literally. A file that names itself therefore expands
// ARG_FILE_MAX_DEPTH times and then leaves one literal "@name", in the counting pass and in the
// storing pass alike. The whole expansion is bounded too: one that would open more than
// ARG_FILE_MAX_OPENS argument files or read more than ARG_FILE_MAX_LINES lines from them (as a
// file naming itself twice or more would) is refused.
#pragma once
#include <string>
#include <vector>

constexpr int ARG_FILE_MAX_DEPTH = 16;
constexpr int ARG_FILE_MAX_OPENS = 1000;
constexpr int ARG_FILE_MAX_LINES = 1000000;

// What one expansion has used so far, and why it stopped when it had to.
struct arg_expansion {
    int files_opened = 0;
    int lines_read = 0;
    std::string failure;  // empty while the expansion may go on
};

// Appends the expansion of arg to out (null: only counts) and adds to *argc the number of
// arguments it yields. Returns the number of lines read from argument files for arg, nested
// files included; 0 for an ordinary or a discarded argument. depth is the number of argument
// files enclosing arg. Once expansion.failure is set, nothing more is read or added.
int add_arg_to_argv(int* argc, std::vector<std::string>* out, const char* arg, arg_expansion& expansion, int depth = 0);
// The same with an expansion record of its own; a refused expansion stops where it was refused.
int add_arg_to_argv(int* argc, std::vector<std::string>* out, const char* arg);

// Expands the argument files of the vector behind argc/argv. When nothing was read and nothing
// discarded, both are left untouched; otherwise they are set to a new vector (null-terminated,
// room for 2 more entries than arguments) whose strings this module owns until restore_argv.
// The received vector is never changed. Returns 0; or 1 with both untouched and the reason in
// *failure (when given) when the expansion is refused (too large, or an argument file whose
// copy could not be made).
int rebuild_argv(int* argc, char*** argv, std::string* failure = nullptr);

// When *argv is a vector made by rebuild_argv, releases it and puts old_argc/old_argv back;
// does nothing when *argv is old_argv. Returns 0.
int restore_argv(int* argc, char*** argv, int old_argc, char** old_argv);
