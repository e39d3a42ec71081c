// Every operation: input name, output name, selection file name (or null), its own parameters,
// then the column count and row count it reports.
#pragma once
#include <cstddef>

void noop(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void rem_col(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void rem_row(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void transpose(const char* namein, const char* nameout, size_t* vars, size_t* rows);
void flip_ud(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void flip_lr(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void checkfile(const char* namein, size_t* vars, size_t* rows);
void cut_square(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void enumerate(const char* namein, const char* nameout, size_t* vars, size_t* rows);
void eval(const char* namein, const char* nameout, const char* flagfile, const char* function_string,
          const char* function_string_prolog, const char* function_string_epilog, size_t* vars, size_t* rows);

// Parameters of the windowed-sinc filters.
enum filter_types { LOWPASS, HIGHPASS, BANDPASS, BANDSTOP };
struct sinc_parameters {
    double fcl = 0;
    double fch = 0;
    int M = 0;
    filter_types filter_type = LOWPASS;
};
