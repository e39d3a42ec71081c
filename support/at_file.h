// Argument files: an argument "@name" or "$name" is replaced by the lines of the file name,
// one argument per line, exactly as read (blanks kept, a carriage return before the line feed
// kept, an empty line is an empty argument, lines longer than 4095 characters cut into pieces
// of 4095). A line naming "@other" or "$other" is expanded in place; arguments beginning with
// '#' are discarded, on the command line and in files alike. A file that cannot be opened
// leaves its argument as it is, '@' or '$' included.
//
// Nesting is limited: a file is opened only while fewer than ARG_FILE_MAX_DEPTH argument files
// enclose it; deeper, "@name" is taken literally. A file that names itself therefore expands
// ARG_FILE_MAX_DEPTH times and then leaves one literal "@name", in the counting pass and in the
// storing pass alike.
#pragma once
#include <string>
#include <vector>

constexpr int ARG_FILE_MAX_DEPTH = 16;

// Appends the expansion of arg to out (null: only counts) and adds to *argc the number of
// arguments it yields. Returns the number of lines read from argument files for arg, nested
// files included; 0 for an ordinary or a discarded argument. depth is the number of argument
// files enclosing arg.
int add_arg_to_argv(int* argc, std::vector<std::string>* out, const char* arg, int depth = 0);

// Expands the argument files of the vector behind argc/argv. When nothing was read and nothing
// discarded, both are left untouched; otherwise they are set to a new vector (null-terminated,
// room for 2 more entries than arguments) whose strings this module owns until restore_argv.
// The received vector is never changed. Returns 0.
int rebuild_argv(int* argc, char*** argv);

// When *argv is a vector made by rebuild_argv, releases it and puts old_argc/old_argv back;
// does nothing when *argv is old_argv. Returns 0.
int restore_argv(int* argc, char*** argv, int old_argc, char** old_argv);
