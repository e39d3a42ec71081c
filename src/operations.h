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
// The check's counting pass for callers that go on to write: report gives the column count (and a
// row count asked for by --add-line-count) even when quiet; with queue_comments kept comment lines
// join the queue, for the head of an output opened afterwards.
struct count_rules {
    bool report = true;
    bool queue_comments = true;
};
void count_file(const char* namein, size_t* vars, size_t* rows, const count_rules& rules);
void cut_square(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void enumerate(const char* namein, const char* nameout, size_t* vars, size_t* rows);
void eval(const char* namein, const char* nameout, const char* flagfile, const char* function_string,
          const char* function_string_prolog, const char* function_string_epilog, size_t* vars, size_t* rows);

// Column arithmetic.
enum LOGICALS { GT = 0, LT = 1, EQ = 2, GEQ = 3, LEQ = 4, NEQ = 5 };
enum RANGES { RANGE_KEEP = 0, RANGE_REMOVE = 1 };
void multiply_columns(const char* namein, const char* nameout, const char* flagfile, double multiply, int mul_mode,
                      size_t* vars, size_t* rows);
void add_columns(const char* namein, const char* nameout, const char* flagfile, double add, size_t* vars, size_t* rows);
void math_columns(const char* namein, const char* nameout, const char* flagfile, const char* function, size_t* vars,
                  size_t* rows);
void Logical(const char* namein, const char* nameout, const char* flagfile, LOGICALS logical, double level,
             size_t* vars, size_t* rows);
void Range(const char* namein, const char* nameout, const char* flagfile, RANGES range, double lower, double upper,
           size_t* vars, size_t* rows);

// Signal processing.
struct sinc_parameters;
void filter(const char* namein, const char* nameout, const char* flagfile, size_t filtertaps, size_t* vars,
            size_t* rows);
void medianfilter(const char* namein, const char* nameout, const char* flagfile, size_t filtertaps, size_t* vars,
                  size_t* rows);
void running_mean(const char* namein, const char* nameout, const char* flagfile, size_t filtertaps, size_t* vars,
                  size_t* rows);
void window_sinc(const char* namein, const char* nameout, const char* flagfile, const sinc_parameters* parameters,
                 size_t* vars, size_t* rows);
void diff(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void shift(const char* namein, const char* nameout, const char* flagfile, long shiftcolumns, size_t* vars,
           size_t* rows);
void add_noise(const char* namein, const char* nameout, const char* flagfile, double noiselevel, size_t* vars,
               size_t* rows);

// Reordering, splitting and totals.
void sortera(const char* namein, const char* nameut, const char* sortcolumns, size_t* vars, size_t* rows);
void shuffle(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void splitfile(const char* namein, const char* nameout, const char* flagfile, double w, size_t* vars, size_t* rows);
void sum_vertical(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);
void sum_horizontal(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows);

// How --plot draws: lines or dots, against the row number or (xy) the first selected column,
// over the data's ranges or the ranges given.
struct plot_style {
    bool points = false;
    bool xy = false;
    bool x_range = false;
    bool y_range = false;
    double x_lo = 0, x_hi = 0, y_lo = 0, y_hi = 0;
};
void plot(const char* namein, const char* nameout, const char* flagfile, const plot_style& style, size_t* vars,
          size_t* rows);

// Summaries.
struct summary_request;
struct bins_request;
enum class pairwise_kind;
void summarize(const char* namein, const char* nameout, const char* flagfile, const summary_request& request,
               size_t* vars, size_t* rows);
void pairwise(const char* namein, const char* nameout, const char* flagfile, pairwise_kind kind, size_t* vars,
              size_t* rows);
void bins(const char* namein, const char* nameout, const char* flagfile, const bins_request& request, size_t* vars,
          size_t* rows);

// Parameters of the windowed-sinc filters.
enum filter_types { LOWPASS, HIGHPASS, BANDPASS, BANDSTOP };
struct sinc_parameters {
    double fcl = 0;
    double fch = 0;
    int M = 0;
    filter_types filter_type = LOWPASS;
};
