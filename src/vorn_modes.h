// The mode table: one row per operation mode, with what the entry needs to know about it.
#pragma once
#include <cstddef>

#include "vorn_options.h"
#include "vorn_variables.h"

// The names one pass hands to the operation, and which pass of a wildcard run it is (from 1).
struct pass_names {
    const char* namein;
    const char* nameout;   // null when there is none
    const char* flagfile;  // the selection file, or null
    int first_round;
};

// Requirements an operation option switches off when it chooses its mode. They stay switched
// off when a later option chooses another mode.
enum mode_clears : unsigned { CLEARS_NONE = 0, CLEARS_FLAGS = 1, CLEARS_DESTINATION = 2 };

using mode_runner = void (*)(const entry_state& st, const pass_names& pass, size_t* vars, size_t* rows);

struct mode_row {
    MODES mode;
    unsigned clears;     // mode_clears bits
    bool writes_output;  // without an output name the run is refused rather than run
    bool reads_once;     // the rows are read once after the column scan, never again
    mode_runner run;     // null: the mode does nothing
};

// The row of a mode of the table (UNKNOWN has none: asking for it is a programming error).
const mode_row& mode_entry(MODES mode);

// Whether the operation of mode reads its rows once (false outside the table).
bool mode_reads_once(int mode);

// Makes mode the running mode and switches off the requirements its row names.
void select_mode(entry_state& st, MODES mode);

// Runs the operation of the running mode for one pass.
void dispatch(const entry_state& st, const pass_names& pass);
