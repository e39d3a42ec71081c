// Selections: inline strings and selection files turned into flag arrays.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

#include "slists.h"

// Stores an inline selection (pushed at the front); a bad first character is fatal.
void add_flaglines(sll_list<std::string>& list, const char* arg);
// What a selection counts and the input it selects from: strict mode refuses a position beyond
// the input's `vars` (or below 1), or a token that names nothing, naming both.
struct selection_scope {
    const char* unit = "column";
    const char* input = nullptr;
};
// Marks flag[0..vars-1] from the selection file `name` (may be null) and the strings of `p`,
// then inverts the first vars marks when local_inverse is set.
void readflags(const char* name, char* flag, int local_inverse, const sll_list<std::string>& p, size_t vars,
               const selection_scope& scope = {});
// Marks from one token of a selection.
void parse_token(char* flag, const char* buf, size_t vars, const selection_scope& scope = {});
// Number of entries among the first antal whose mark is 0.
size_t flagged(const char* flag, size_t antal);
// Lists the positions whose mark differs from the global inverse, as runs.
void printflagged(FILE* f, const char* flag, size_t antal);
