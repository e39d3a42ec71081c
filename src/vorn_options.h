// The option layer: the long option table, the option loop and what the options record.
#pragma once
#include <optional>
#include <string>

#include "operations.h"
#include "stats.h"
#include "vorn_variables.h"

// What the options chose besides the settings record: the requirements the entry checks and
// the parameters of the chosen operation.
struct entry_state {
    int need_destination = 1;
    int need_flags = 1;
    double where = 0;
    double noiselevel = 0.001;
    double multiply = 0;
    double add = 0;
    double level = 0;
    double lower = 0;
    double upper = 0;
    long filtertaps = 5;
    long shiftcolumns = 0;
    std::optional<std::string> sortcolumns;
    std::optional<std::string> function;
    std::optional<std::string> function_prolog;
    std::optional<std::string> function_epilog;
    sinc_parameters sinc;
    plot_style plot;
    summary_request summary;
    pairwise_kind pairs = pairwise_kind::pearson;
    bins_request bins;
};

// Takes the words of the VORN variable (separated by ':'): "quiet", "debug" and "strict" set
// those flags.
void parse_env(const char* env);

// Runs the option loop over argv, recording into the settings record and st. Help, the version
// and the listings end the process here.
void parse_options(int argc, char** argv, entry_state& st);
// No operation was chosen: the help text, or in strict mode a one-line error (status 1).
[[noreturn]] void no_operation(const char* program);
