// The mode table: every operation mode with the requirements its option switches off, whether it
// writes an output, and the function that runs one pass of it.
#include "vorn_modes.h"

#include <cstdio>

#include "utils.h"

namespace {

constexpr unsigned FLAGS = CLEARS_FLAGS;
constexpr unsigned BOTH = CLEARS_FLAGS | CLEARS_DESTINATION;

const char* text(const std::optional<std::string>& s) { return s ? s->c_str() : nullptr; }

// The counts of the checking modes go to standard output.
void print_count(size_t n) { std::printf("%lu\n", static_cast<unsigned long>(n)); }

// Runners for the operations whose parameters are only the three names.
template <void (*op)(const char*, const char*, const char*, size_t*, size_t*)>
void names_only(const entry_state&, const pass_names& p, size_t* vars, size_t* rows)
{
    op(p.namein, p.nameout, p.flagfile, vars, rows);
}

template <LOGICALS logical>
void threshold_runner(const entry_state& st, const pass_names& p, size_t* vars, size_t* rows)
{
    Logical(p.namein, p.nameout, p.flagfile, logical, st.level, vars, rows);
}

template <RANGES which>
void range_runner(const entry_state& st, const pass_names& p, size_t* vars, size_t* rows)
{
    Range(p.namein, p.nameout, p.flagfile, which, st.lower, st.upper, vars, rows);
}

void run_multiply(const entry_state& st, const pass_names& p, size_t* vars, size_t* rows)
{
    // The mode value itself tells multiplying from dividing.
    multiply_columns(p.namein, p.nameout, p.flagfile, st.multiply, settings.mode, vars, rows);
}

// The filter's kind travels in its parameters.
void run_sinc(const entry_state& st, const pass_names& p, size_t* vars, size_t* rows)
{
    window_sinc(p.namein, p.nameout, p.flagfile, &st.sinc, vars, rows);
}

// How often an operation reads its input: ONCE after the column scan (a stream then flows to
// the output without a copy), or AGAIN (counted rows, whole-file tables, filters that count).
constexpr bool ONCE = true;
constexpr bool AGAIN = false;

constexpr mode_row table[] = {
    {REM_COL, CLEARS_NONE, true, ONCE, names_only<rem_col>},
    {REM_ROW, CLEARS_NONE, true, AGAIN, names_only<rem_row>},
    {TRANSPOSE, FLAGS, true, AGAIN,
     [](const entry_state&, const pass_names& p, size_t* vars, size_t* rows) {
         transpose(p.namein, p.nameout, vars, rows);
     }},
    {CHECK, BOTH, false, AGAIN,
     [](const entry_state&, const pass_names& p, size_t* vars, size_t* rows) {
         if (p.first_round == 1) std::printf("File:                           Cols:    Rows:\n");
         checkfile(p.namein, vars, rows);
         std::printf("%-31.31s %-8lu %lu\n", p.namein, static_cast<unsigned long>(*vars),
                     static_cast<unsigned long>(*rows));
     }},
    // The output-name slot is always null: the split names its two outputs itself.
    {SPLIT, BOTH, false, AGAIN,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         splitfile(p.namein, nullptr, p.flagfile, st.where, vars, rows);
     }},
    {DELIMITER, FLAGS, true, ONCE, names_only<rem_col>},
    {NOISE, CLEARS_NONE, true, ONCE,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         add_noise(p.namein, p.nameout, p.flagfile, st.noiselevel, vars, rows);
     }},
    // The sort-column text takes the selection slot.
    {QSORT, FLAGS, true, AGAIN,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         sortera(p.namein, p.nameout, text(st.sortcolumns), vars, rows);
     }},
    {SYSTAT, CLEARS_NONE, false, AGAIN, nullptr},
    {MUL_COL, CLEARS_NONE, true, ONCE, run_multiply},
    {FILTER, CLEARS_NONE, true, AGAIN,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         filter(p.namein, p.nameout, p.flagfile, static_cast<size_t>(st.filtertaps), vars, rows);
     }},
    {SHIFT, CLEARS_NONE, true, ONCE,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         shift(p.namein, p.nameout, p.flagfile, st.shiftcolumns, vars, rows);
     }},
    {REM_GT, CLEARS_NONE, true, ONCE, threshold_runner<GT>},
    {REM_LT, CLEARS_NONE, true, ONCE, threshold_runner<LT>},
    {REM_EQ, CLEARS_NONE, true, ONCE, threshold_runner<EQ>},
    // Keeping rows above a level is removing those at or below it.
    {KEEP_GT, CLEARS_NONE, true, ONCE, threshold_runner<LEQ>},
    {KEEP_LT, CLEARS_NONE, true, ONCE, threshold_runner<GEQ>},
    {KEEP_EQ, CLEARS_NONE, true, ONCE, threshold_runner<NEQ>},
    {ADD_COL, CLEARS_NONE, true, ONCE,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         add_columns(p.namein, p.nameout, p.flagfile, st.add, vars, rows);
     }},
    {ENUMERATE, FLAGS, true, ONCE,
     [](const entry_state&, const pass_names& p, size_t* vars, size_t* rows) {
         enumerate(p.namein, p.nameout, vars, rows);
     }},
    {MEDIANFILTER, CLEARS_NONE, true, AGAIN,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         medianfilter(p.namein, p.nameout, p.flagfile, static_cast<size_t>(st.filtertaps), vars, rows);
     }},
    {MATH, CLEARS_NONE, true, ONCE,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         math_columns(p.namein, p.nameout, p.flagfile, text(st.function), vars, rows);
     }},
    {EVAL, FLAGS, true, ONCE,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         if (!st.function) error("no function");
         eval(p.namein, p.nameout, p.flagfile, st.function->c_str(), text(st.function_prolog), text(st.function_epilog),
              vars, rows);
     }},
    {SHUFFLE, CLEARS_NONE, true, AGAIN, names_only<shuffle>},
    {DIFF, CLEARS_NONE, true, ONCE, names_only<diff>},
    {SUM_VERTICAL, FLAGS, true, AGAIN, names_only<sum_vertical>},
    {SUM_HORIZONTAL, FLAGS, true, AGAIN, names_only<sum_horizontal>},
    {CUT_SQUARE, CLEARS_NONE, true, AGAIN, names_only<cut_square>},
    {NOOP, FLAGS, true, ONCE, names_only<noop>},
    {DIV_COL, CLEARS_NONE, true, ONCE, run_multiply},
    {RUNNING_AVERAGE, CLEARS_NONE, true, AGAIN,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         running_mean(p.namein, p.nameout, p.flagfile, static_cast<size_t>(st.filtertaps), vars, rows);
     }},
    {MODE_GET_ROWS, BOTH, false, AGAIN,
     [](const entry_state&, const pass_names& p, size_t* vars, size_t* rows) {
         checkfile(p.namein, vars, rows);
         print_count(*rows);
     }},
    {MODE_GET_COLS, BOTH, false, AGAIN,
     [](const entry_state&, const pass_names& p, size_t* vars, size_t* rows) {
         checkfile(p.namein, vars, rows);
         print_count(*vars);
     }},
    {MODE_RANGE_KEEP, CLEARS_NONE, true, ONCE, range_runner<RANGE_KEEP>},
    {MODE_RANGE_REMOVE, CLEARS_NONE, true, ONCE, range_runner<RANGE_REMOVE>},
    {WINDOW_SINC_LP, CLEARS_NONE, true, AGAIN, run_sinc},
    {WINDOW_SINC_HP, CLEARS_NONE, true, AGAIN, run_sinc},
    {WINDOW_SINC_BP, CLEARS_NONE, true, AGAIN, run_sinc},
    {WINDOW_SINC_BS, CLEARS_NONE, true, AGAIN, run_sinc},
    {MODE_FLIP_UD, FLAGS, true, AGAIN, names_only<flip_ud>},
    {MODE_FLIP_LR, FLAGS, true, AGAIN, names_only<flip_lr>},
    // Without a selection every column is plotted.
    {PLOT, FLAGS, true, AGAIN,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         plot(p.namein, p.nameout, p.flagfile, st.plot, vars, rows);
     }},
    {MODE_STATS, FLAGS, true, AGAIN,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         summarize(p.namein, p.nameout, p.flagfile, st.summary, vars, rows);
     }},
    {MODE_PAIRWISE, FLAGS, true, AGAIN,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         pairwise(p.namein, p.nameout, p.flagfile, st.pairs, vars, rows);
     }},
    {MODE_BINS, FLAGS, true, AGAIN,
     [](const entry_state& st, const pass_names& p, size_t* vars, size_t* rows) {
         bins(p.namein, p.nameout, p.flagfile, st.bins, vars, rows);
     }},
};

constexpr bool rows_in_mode_order()
{
    for (size_t i = 0; i < sizeof table / sizeof table[0]; ++i)
        if (table[i].mode != static_cast<MODES>(i)) return false;
    return true;
}
static_assert(sizeof table / sizeof table[0] == LAST, "one row for every mode");
static_assert(rows_in_mode_order(), "the row of mode m is row m");

}  // namespace

const mode_row& mode_entry(MODES mode) { return table[mode]; }

bool mode_reads_once(int mode) { return mode >= 0 && mode < LAST && table[mode].reads_once; }

void select_mode(entry_state& st, MODES mode)
{
    settings.mode = mode;
    const unsigned clears = mode_entry(mode).clears;
    if (clears & CLEARS_FLAGS) st.need_flags = 0;
    if (clears & CLEARS_DESTINATION) st.need_destination = 0;
}

void dispatch(const entry_state& st, const pass_names& pass)
{
    if (settings.mode < 0 || settings.mode >= LAST) return;  // outside the table: nothing to do
    size_t vars = 0, rows = 0;
    if (const mode_runner run = mode_entry(settings.mode).run) run(st, pass, &vars, &rows);
}
