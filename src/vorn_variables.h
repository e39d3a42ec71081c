// The process-wide settings: everything the options store before the operation runs.
#pragma once
#include <cstddef>
#include <string>

#include "slists.h"

enum MODES {
    UNKNOWN = -1,
    REM_COL = 0,
    REM_ROW,
    TRANSPOSE,
    CHECK,
    SPLIT,
    DELIMITER,
    NOISE,
    QSORT,
    SYSTAT,
    MUL_COL,
    FILTER,
    SHIFT,
    REM_GT,
    REM_LT,
    REM_EQ,
    KEEP_GT,
    KEEP_LT,
    KEEP_EQ,
    ADD_COL,
    ENUMERATE,
    MEDIANFILTER,
    MATH,
    EVAL,
    SHUFFLE,
    DIFF,
    SUM_VERTICAL,
    SUM_HORIZONTAL,
    CUT_SQUARE,
    NOOP,
    DIV_COL,
    RUNNING_AVERAGE,
    MODE_GET_ROWS,
    MODE_GET_COLS,
    MODE_RANGE_KEEP,
    MODE_RANGE_REMOVE,
    WINDOW_SINC_LP,
    WINDOW_SINC_HP,
    WINDOW_SINC_BP,
    WINDOW_SINC_BS,
    MODE_FLIP_UD,
    MODE_FLIP_LR,
    PLOT,  // --plot
    // The summaries.
    MODE_STATS,
    MODE_PAIRWISE,
    MODE_BINS,
    LAST
};

enum running_average_modes { pma_add_zeros = 0, pma_reduce_n = 1, pma_reduce_other = 2, cma_reduce_other = 3 };

constexpr size_t MIN_MAXBUFF = 131072;
constexpr int EVAL_NEW_VARS = 100;

struct vorn_variables {
    // run flags
    int quiet = 0;
    int debug = 0;
    int wait_on_error = 0;
    int more = 0;
    int no_progress = 0;  // VORN=noprogress: no status line on long runs
    // Refuse whatever the forgiving reading would guess at (a field that is not a number, a row of
    // another width, a selection beyond the file, ...), and report option errors in one line.
    int strict = 0;
    // reading
    int keep_comments = 0;
    unsigned long skip_columns = 0;
    int skip_rows = 0;
    int starskip = 0;
    int input_delimiter = 0;
    size_t maxbuff = MIN_MAXBUFF;
    // writing
    char separator = ' ';
    long xtraprec = -2;
    char format[30] = {};
    int printspecial = 0;
    int append = 0;
    int add_line_count = 0;
    size_t extra_columns = 0;
    size_t extra_lines = 0;
    // operation parameters kept process-wide
    double fuzz = 2.220446049250313e-16;
    running_average_modes running_average_mode = pma_reduce_other;
    int percent = 0;
    int slump = 0;
    int my_special_log = 0;
    // selection
    int inverse = 0;
    size_t marked = 0;
    sll_list<std::string> flag_lines;
    sll_list<std::string> cut_lines;
    // the running operation
    MODES mode = UNKNOWN;
    // wildcard mode: one pass per input, output names take this extension
    int wildcards = 0;
    std::string wildext = ".out";
    // state of the uniform random generator
    long idum = -1;
};

extern vorn_variables settings;
