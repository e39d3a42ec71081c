// The option layer: the long option table and the option loop. Options only record: the
// settings record, the requirements and the operation's parameters (entry_state). Choosing an
// operation goes through the mode table, which knows what each mode switches off.
#include "vorn_options.h"

#include <getopt.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iterator>
#include <string>
#include <vector>

#include "compat.h"
#include "evaluate.h"
#include "plot.h"
#include "readflag.h"
#include "utils.h"
#include "vorn_help.h"
#include "vorn_modes.h"
#include "vorn_version.h"

namespace {

enum CMD_OPTS {
    OPT_FORMAT = 260,
    OPT_REMOVEGT,
    OPT_REMOVELT,
    OPT_REMOVEEQ,
    OPT_REMOVELEQ,
    OPT_REMOVEGEQ,
    OPT_REMOVENEQ,
    OPT_MATH,
    OPT_EVAL,
    OPT_SHUFFLE,
    OPT_DIFF,
    OPT_SUMCOL,
    OPT_SUMROW,
    OPT_CUT_SQUARE,
    OPT_EVAL_EXAMPLE,
    OPT_EVAL_OP,
    OPT_EVAL_CONST,
    OPT_EVAL_FUNC,
    OPT_EVAL_PROLOG,
    OPT_EVAL_EPILOG,
    OPT_SKIP_ROWS,
    OPT_OUTPUT_LATEX,
    OPT_OUTPUT_C,
    OPT_OUTPUT_STD,
    OPT_OUTPUT_CSV,
    OPT_FUZZ,
    OPT_NOP,
    OPT_MAXBUFF,
    OPT_DIVIDE,
    OPT_KEEP_COLS,
    OPT_KEEP_ROWS,
    OPT_RUNNING_AVERAGE,
    OPT_GET_ROWS,
    OPT_GET_COLS,
    OPT_APPEND,
    OPT_RANGE_KEEP,
    OPT_RANGE_REMOVE,
    OPT_FILTER_SINC_LP,
    OPT_FILTER_SINC_HP,
    OPT_FILTER_SINC_BP,
    OPT_FILTER_SINC_BS,
    OPT_INPUT_DELIM,
    OPT_FLIP_UD,
    OPT_FLIP_LR,
    OPT_LAST_OPTION,
    OPT_PLOT = 320,
    OPT_STATS,
    OPT_GROUP_BY,
    OPT_CORRELATE,
    OPT_HISTOGRAM
};

// '#' and '?' lead, so that strict mode can leave out the '?' (see parse_options).
const char short_options[] = "#?AB:CD::E:F::GHIJ:KM:N:P:Q:RSTU:VW::X:Y::Z:ab:cd::e:f::ghij:km:n:p:q:rstu:vw::x:y::z:";

const option first_options[] = {{"quiet", 0, nullptr, '#'},
                                {"silence", 0, nullptr, '#'},
                                {"debug", 0, &settings.debug, 1},
                                {"wait-on-error", 0, &settings.wait_on_error, 1},
                                {"no-wait-on-error", 0, &settings.wait_on_error, 0},
                                {"more", 0, &settings.more, 1},
                                {"keep-comments", 0, nullptr, 'a'},
                                {"starskip", 0, nullptr, 's'},
                                {"skip-columns", 1, nullptr, 'b'},
                                {"skip-rows", 1, nullptr, OPT_SKIP_ROWS},
                                {"delimiter", 1, nullptr, 'z'},
                                {"input-delimiter", 1, nullptr, OPT_INPUT_DELIM},
                                {"xtra", 1, nullptr, 'x'},
                                {"format", 1, nullptr, OPT_FORMAT},
                                {"maxbuff", 1, nullptr, OPT_MAXBUFF},
                                {"fuzz", 1, nullptr, OPT_FUZZ},
                                {"append", 0, &settings.append, 1},
                                {"add-line-count", 0, &settings.add_line_count, 1},
                                {"special-log", 0, &settings.my_special_log, 1},
                                {"inverse", 0, nullptr, 'i'},
                                {"wildcard", 2, nullptr, 'w'},
                                {"output-latex", 0, nullptr, OPT_OUTPUT_LATEX},
                                {"latex-output", 0, nullptr, OPT_OUTPUT_LATEX},
                                {"output-c", 0, nullptr, OPT_OUTPUT_C},
                                {"c-output", 0, nullptr, OPT_OUTPUT_C},
                                {"output-standard", 0, nullptr, OPT_OUTPUT_STD},
                                {"standard-output", 0, nullptr, OPT_OUTPUT_STD},
                                {"output-csv", 0, nullptr, OPT_OUTPUT_CSV},
                                {"specified", 1, nullptr, 'e'},
                                {"columns", 0, nullptr, 'k'},
                                {"remove-columns", 0, nullptr, 'k'},
                                {"keep-columns", 2, nullptr, OPT_KEEP_COLS},
                                {"rows", 0, nullptr, 'r'},
                                {"remove-rows", 0, nullptr, 'r'},
                                {"keep-rows", 2, nullptr, OPT_KEEP_ROWS},
                                {"transpose", 0, nullptr, 't'},
                                {"check", 0, nullptr, 'c'},
                                {"get-rows", 0, nullptr, OPT_GET_ROWS},
                                {"get-cols", 0, nullptr, OPT_GET_COLS},
                                {"split", 1, nullptr, 'd'},
                                {"noise", 1, nullptr, 'n'},
                                {"sort", 1, nullptr, 'q'},
                                {"qsort", 1, nullptr, 'q'},
                                {"multiply", 1, nullptr, 'm'},
                                {"divide", 1, nullptr, OPT_DIVIDE},
                                {"add", 1, nullptr, 'p'},
                                {"filter", 2, nullptr, 'f'},
                                {"medianfilter", 1, nullptr, 'u'},
                                {"running-average", 1, nullptr, OPT_RUNNING_AVERAGE},
                                {"running-avg", 1, nullptr, OPT_RUNNING_AVERAGE},
                                {"running-mean", 1, nullptr, OPT_RUNNING_AVERAGE},
                                {"shift", 1, nullptr, 'j'},
                                {"enumerate", 2, nullptr, 'y'},
                                {"removegt", 1, nullptr, OPT_REMOVEGT},
                                {"keepleq", 1, nullptr, OPT_REMOVEGT},
                                {"removelt", 1, nullptr, OPT_REMOVELT},
                                {"keepgeq", 1, nullptr, OPT_REMOVELT},
                                {"removeeq", 1, nullptr, OPT_REMOVEEQ},
                                {"keepneq", 1, nullptr, OPT_REMOVEEQ},
                                {"keepgt", 1, nullptr, OPT_REMOVELEQ},
                                {"removeleq", 1, nullptr, OPT_REMOVELEQ},
                                {"keeplt", 1, nullptr, OPT_REMOVEGEQ},
                                {"removegeq", 1, nullptr, OPT_REMOVEGEQ},
                                {"keepeq", 1, nullptr, OPT_REMOVENEQ},
                                {"removeneq", 1, nullptr, OPT_REMOVENEQ},
                                {"range-keep", 1, nullptr, OPT_RANGE_KEEP},
                                {"range-remove", 1, nullptr, OPT_RANGE_REMOVE},
                                {"math", 1, nullptr, OPT_MATH},
                                {"eval", 1, nullptr, OPT_EVAL},
                                {"eval-prolog", 1, nullptr, OPT_EVAL_PROLOG},
                                {"eval_prolog", 1, nullptr, OPT_EVAL_PROLOG},
                                {"eval-begin", 1, nullptr, OPT_EVAL_PROLOG},
                                {"eval_begin", 1, nullptr, OPT_EVAL_PROLOG},
                                {"eval-epilog", 1, nullptr, OPT_EVAL_EPILOG},
                                {"eval_epilog", 1, nullptr, OPT_EVAL_EPILOG},
                                {"eval-end", 1, nullptr, OPT_EVAL_EPILOG},
                                {"eval_end", 1, nullptr, OPT_EVAL_EPILOG},
                                {"shuffle", 0, nullptr, OPT_SHUFFLE},
                                {"diff", 0, nullptr, OPT_DIFF},
                                {"sum-col", 0, nullptr, OPT_SUMCOL},
                                {"sum_col", 0, nullptr, OPT_SUMCOL},
                                {"sum-vertical", 0, nullptr, OPT_SUMCOL},
                                {"sum_vertical", 0, nullptr, OPT_SUMCOL},
                                {"sum-row", 0, nullptr, OPT_SUMROW},
                                {"sum_row", 0, nullptr, OPT_SUMROW},
                                {"sum-horizontal", 0, nullptr, OPT_SUMROW},
                                {"sum_horizontal", 0, nullptr, OPT_SUMROW},
                                {"cut-square", 1, nullptr, OPT_CUT_SQUARE},
                                {"nop", 0, nullptr, OPT_NOP},
                                {"noop", 0, nullptr, OPT_NOP},
                                {"flip-ud", 0, nullptr, OPT_FLIP_UD},
                                {"flip-lr", 0, nullptr, OPT_FLIP_LR},
                                {"sinc-lp", 1, nullptr, OPT_FILTER_SINC_LP},
                                {"sinc-hp", 1, nullptr, OPT_FILTER_SINC_HP},
                                {"sinc-bp", 1, nullptr, OPT_FILTER_SINC_BP},
                                {"sinc-bs", 1, nullptr, OPT_FILTER_SINC_BS},
                                {"version", 0, nullptr, 'v'},
                                {"help", 0, nullptr, 'h'},
                                {"eval-examples", 0, nullptr, OPT_EVAL_EXAMPLE},
                                {"eval_examples", 0, nullptr, OPT_EVAL_EXAMPLE},
                                {"eval-operators", 0, nullptr, OPT_EVAL_OP},
                                {"eval_operators", 0, nullptr, OPT_EVAL_OP},
                                {"eval-constants", 0, nullptr, OPT_EVAL_CONST},
                                {"eval_constants", 0, nullptr, OPT_EVAL_CONST},
                                {"eval-functions", 0, nullptr, OPT_EVAL_FUNC},
                                {"eval_functions", 0, nullptr, OPT_EVAL_FUNC},
                                {nullptr, 0, nullptr, 0}};

static_assert(sizeof first_options / sizeof first_options[0] == 107, "106 long options and the closing entry");

// The long options added since: each takes its own name, and takes no abbreviation away from
// the options above.
const option added_options[] = {{"plot", 2, nullptr, OPT_PLOT},           {"stats", 2, nullptr, OPT_STATS},
                                {"group-by", 1, nullptr, OPT_GROUP_BY},   {"correlate", 2, nullptr, OPT_CORRELATE},
                                {"histogram", 1, nullptr, OPT_HISTOGRAM}, {"strict", 0, &settings.strict, 1}};

// The long options whose name begins with the `len` characters of `name`, counting entries that
// act alike once (as the parser does when it decides whether an abbreviation is ambiguous).
size_t long_matches(const option* table, const char* name, size_t len, const option** found)
{
    size_t count = 0;
    *found = nullptr;
    for (const option* o = table; o->name; ++o) {
        if (std::strncmp(o->name, name, len) != 0) continue;
        if (std::strlen(o->name) == len) {
            *found = o;
            return 1;
        }
        if (*found && (*found)->has_arg == o->has_arg && (*found)->flag == o->flag && (*found)->val == o->val) continue;
        if (!*found) *found = o;
        ++count;
    }
    return count;
}

// The parser's table: the first options, the added ones, and, as names of their own, the
// abbreviations of the first options that an added option would otherwise make ambiguous
// ("--co" stays "--columns" beside "--correlate", "--h" stays "--help" beside "--histogram").
const option* long_opts()
{
    static const std::vector<option> table = [] {
        std::vector<option> all(std::begin(first_options), std::end(first_options) - 1);
        all.insert(all.end(), std::begin(added_options), std::end(added_options));
        all.push_back({nullptr, 0, nullptr, 0});
        static std::deque<std::string> kept;  // the abbreviations' names, for as long as the table
        std::vector<option> abbreviations;
        for (const option* o = first_options; o->name; ++o) {
            for (size_t len = 1; len < std::strlen(o->name); ++len) {
                const option* before = nullptr;
                const option* now = nullptr;
                if (long_matches(first_options, o->name, len, &before) != 1 || before != o) continue;
                if (long_matches(all.data(), o->name, len, &now) == 1 && now->val == o->val) continue;
                kept.emplace_back(o->name, len);
                abbreviations.push_back({kept.back().c_str(), o->has_arg, o->flag, o->val});
            }
        }
        all.insert(all.end() - 1, abbreviations.begin(), abbreviations.end());
        return all;
    }();
    return table.data();
}

// Whether an argument is --strict or an abbreviation of it that the parser takes for it (no
// other long option begins with "str").
bool names_strict(const char* arg)
{
    const size_t n = std::strlen(arg);
    return n >= 5 && n <= 8 && std::strncmp(arg, "--strict", n) == 0;
}

// What the parser would have said about the option it just refused, in one line.
std::string option_complaint(int argc, char** argv)
{
    const char* const arg = optind > 0 && optind <= argc ? argv[optind - 1] : "";
    const char* const last = argv[argc - 1];
    if (optopt == 0 || (std::strncmp(arg, "--", 2) == 0 && std::strchr(arg, '='))) {
        // A long option: unknown, ambiguous, or given an argument it does not take.
        const char* name = arg;
        while (*name == '-') ++name;
        const size_t len = std::strcspn(name, "=");
        const std::string shown = "--" + std::string(name, len);
        const option* found = nullptr;
        const size_t matches = long_matches(long_opts(), name, len, &found);
        if (optopt != 0 && matches == 1) return "option '--" + std::string(found->name) + "' doesn't allow an argument";
        if (matches > 1) return "option '" + shown + "' is ambiguous";
        return "unrecognized option '" + shown + "'";
    }
    // A missing argument can only be the last word's.
    const option* found = nullptr;
    if (std::strncmp(last, "--", 2) == 0 && long_matches(long_opts(), last + 2, std::strlen(last + 2), &found) == 1 &&
        found->val == optopt)
        return "option '--" + std::string(found->name) + "' requires an argument";
    const char* const letter = std::strchr(short_options, optopt);
    if (letter && letter[1] == ':' && letter[2] != ':')
        return std::string("option requires an argument -- '") + static_cast<char>(optopt) + "'";
    return std::string("invalid option -- '") + static_cast<char>(optopt) + "'";
}

// A mistyped command line in strict mode: one line on standard error and status 1, never the
// help text on standard output.
[[noreturn]] void refuse_command_line(const std::string& complaint)
{
    std::fprintf(stderr, "vorn: %s (see vorn --help)\n", complaint.c_str());
    end_process(1);
}

// Reads the number options: at least one character must convert; a range error is reported
// but the converted value is kept.
double get_double(const char* s)
{
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    if (end == s) error("Unable to convert \"%s\" to a number", s);
    if (errno) std::perror("get_double");
    return v;
}

void set_split(entry_state& st, const char* arg)
{
    select_mode(st, SPLIT);
    settings.slump = 0;
    settings.percent = 0;
    st.where = 90;
    if (arg) {
        if (std::strspn(arg, "0123456789.pP%sS") != std::strlen(arg))
            error("invalid characters in option argument for option -d: %s.\n", arg);
        if (std::sscanf(arg, "%16lf", &st.where) == 0) {
            st.where = 90;
            settings.percent = 1;
        }
        if (std::strpbrk(arg, "pP%")) settings.percent += 1;
        if (std::strpbrk(arg, "sS")) settings.slump = 1;
        if (settings.percent && !(st.where > 0 && st.where < 100))
            error("Percent must be between 0%% and 100%% (%f)", st.where);
        if (settings.percent > 0) settings.percent = 1;
    }
}

void set_separator(entry_state& st, const char* arg)
{
    if (arg[0] == '\\') {
        switch (std::tolower(static_cast<unsigned char>(arg[1]))) {
        case 't': settings.separator = '\t'; break;
        case 'n': settings.separator = '\n'; break;
        case '\\': settings.separator = '\\'; break;
        default: settings.separator = ' '; message("Unknown separator\n");
        }
    } else {
        settings.separator = arg[0];
    }
    if (settings.mode == UNKNOWN) {
        select_mode(st, DELIMITER);
    }
}

void set_xtraprec(const char* arg)
{
    char* end = nullptr;
    const long v = std::strtol(arg, &end, 10);
    if (end == arg) error("Can't convert %s to a number\n", arg);
    if (v < -1 || v == 0) error("Argument to -x/--xtra must be larger than zero or equal to -1 (all columns)\n");
    settings.xtraprec = v > 0 ? v - 1 : -1;
}

void set_format(const char* arg)
{
    strlcpy(settings.format, arg, sizeof settings.format);
    if (validate_double_format(settings.format))
        error(
            "Invalid format (%s) \n%%[flags][width][.precision]{e|f|g}\nMinimum allowed format:      %%f\nDefault "
            "format:              %%f\nExtra precision (-x) format: %%.18g",
            settings.format);
    std::fprintf(stderr, "Output format:%s\n>", settings.format);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::fprintf(stderr, settings.format, 12345678.901234567);
#pragma GCC diagnostic pop
    std::fprintf(stderr, "<\n");
    settings.printspecial = 1;
}

void set_maxbuff(const char* arg)
{
    char* end = nullptr;
    const size_t v = static_cast<size_t>(std::strtol(arg, &end, 0));
    if (v >= MIN_MAXBUFF) {
        settings.maxbuff = v;
        return;
    }
    if (end == arg) error("Can't convert %s to a number\n", arg);
    warning("maxbuff=%lu is to small. Reseting to %u\n", static_cast<unsigned long>(v),
            static_cast<unsigned>(MIN_MAXBUFF));
    settings.maxbuff = MIN_MAXBUFF;
}

void set_filter(entry_state& st, const char* arg)
{
    select_mode(st, FILTER);
    long taps = st.filtertaps;
    if (arg) std::sscanf(arg, "%8ld", &taps);
    if (taps <= 0) error("Filtertaps can't be less than zero (%ld)", taps);
    if (taps % 2 == 0) warning("Filtertaps should be odd (%ld), adjusting uppwards to %ld", taps, taps + 1);
    // The filter is handed the half-width: 5 taps and 4 taps both give 3.
    st.filtertaps = taps / 2 + 1;
}

void set_running_average(entry_state& st, const char* arg)
{
    select_mode(st, RUNNING_AVERAGE);
    char* end = nullptr;
    long window = std::strtol(arg, &end, 0);
    if (end == arg) error("Can't convert %s to a number\n", arg);
    if (window <= 1) {
        warning("Running average window %ld is too small. Using %d instead\n", window, 5);
        window = 5;
    }
    st.filtertaps = window;
    if (*end == ',') {
        const long m = std::strtol(end + 1, nullptr, 0);
        if (m < pma_add_zeros || m > cma_reduce_other) {
            warning("Unknown running average mode.\nReseting to \"2 - PMA\"");
            settings.running_average_mode = pma_reduce_other;
        } else {
            settings.running_average_mode = static_cast<running_average_modes>(m);
        }
    }
}

// A threshold filter: the mode and the level it compares with.
void set_level(entry_state& st, MODES mode, const char* arg)
{
    select_mode(st, mode);
    st.level = get_double(arg);
}

void set_range(entry_state& st, MODES mode, const char* arg)
{
    select_mode(st, mode);
    if (std::sscanf(arg, "%lg,%lg", &st.lower, &st.upper) != 2) {
        err_printf("Need 2 values in the format lower,upper\n");
        std::exit(1);
    }
}

void set_sinc(entry_state& st, MODES mode, const char* arg)
{
    select_mode(st, mode);
    const bool band = mode == WINDOW_SINC_BP || mode == WINDOW_SINC_BS;
    double fcl = 0, fch = 0;
    int m = 0;
    if (band) {
        if (std::sscanf(arg, "%lf, %lf, %d", &fcl, &fch, &m) != 3) error("Wrong number of parameters\n");
        if (!(fcl > 0 && fcl < 0.5) || !(fch > 0 && fch < 0.5)) error("Cutoff frequencies out of range (0 - 0.5)\n");
    } else {
        if (std::sscanf(arg, "%lf, %d", &fcl, &m) != 2) error("Wrong number of parameters\n");
        if (!(fcl > 0 && fcl < 0.5)) error("Cutoff frequency out of range (0 - 0.5)\n");
    }
    if (m % 2 != 0) error("M should be even\n");
    st.sinc.M = m;
    switch (mode) {
    case WINDOW_SINC_LP:
        st.sinc.fcl = fcl;
        st.sinc.fch = 0;
        st.sinc.filter_type = LOWPASS;
        break;
    case WINDOW_SINC_HP:
        st.sinc.fcl = 0;
        st.sinc.fch = fcl;
        st.sinc.filter_type = HIGHPASS;
        break;
    case WINDOW_SINC_BP:
        st.sinc.fcl = fcl;
        st.sinc.fch = fch;
        st.sinc.filter_type = BANDPASS;
        break;
    default:
        st.sinc.fcl = fcl;
        st.sinc.fch = fch;
        st.sinc.filter_type = BANDSTOP;
        break;
    }
}

// Statistics per group of rows with the same value in a key column; without --stats, the
// default statistics.
void set_group_by(entry_state& st, const char* arg)
{
    char* end = nullptr;
    const long key = std::strtol(arg, &end, 10);
    if (end == arg || *end != '\0') error("Can't convert %s to a number\n", arg);
    if (key < 1) error("The key column of --group-by counts from 1 (%ld)\n", key);
    st.summary.group_by = key;
    if (settings.mode != MODE_STATS) {
        select_mode(st, MODE_STATS);
        if (st.summary.items.empty()) st.summary.items = parse_stat_list(nullptr);
    }
}

// Ends a run that only printed a listing; a listing that could not be written is fatal.
[[noreturn]] void end_listing()
{
    finish_standard_output();
    std::exit(0);
}

[[noreturn]] void print_version_block()
{
    print_version(stdout);
    end_listing();
}

// Options that set how files are read, written and selected, and the listings; false for any
// other option.
bool set_general_option(entry_state& st, int c, const char* arg)
{
    switch (c) {
    case '#': settings.quiet = 1; break;
    case 'a': settings.keep_comments = 1; break;
    case 's': settings.starskip = 1; break;
    case 'b': {
        unsigned long v = 0;
        if (std::sscanf(arg, "%8lu", &v) == 1) settings.skip_columns = v > 2147483648UL ? 0 : v;
        break;
    }
    case OPT_SKIP_ROWS: {
        int v = 0;
        if (std::sscanf(arg, "%8d", &v) == 1) settings.skip_rows = v < 0 ? 0 : v;
        break;
    }
    case 'z': set_separator(st, arg); break;
    case OPT_INPUT_DELIM: settings.input_delimiter = static_cast<signed char>(arg[0]); break;
    case 'x': set_xtraprec(arg); break;
    case OPT_FORMAT: set_format(arg); break;
    case OPT_MAXBUFF: set_maxbuff(arg); break;
    case OPT_FUZZ: settings.fuzz = get_double(arg); break;
    case 'i': settings.inverse = 1; break;
    case 'w':
        settings.wildcards = 1;
        if (arg) settings.wildext = arg[0] == '.' ? std::string(arg) : std::string(".").append(arg);
        break;
    case OPT_OUTPUT_LATEX: set_output_latex(); break;
    case OPT_OUTPUT_C: set_output_c(); break;
    case OPT_OUTPUT_STD: set_output_standard(); break;
    case OPT_OUTPUT_CSV: set_output_csv(); break;
    case 'e': add_flaglines(settings.flag_lines, arg); break;
    case 'v': print_version_block();
    case OPT_EVAL_EXAMPLE: eval_examples(stdout); end_listing();
    case OPT_EVAL_OP: eval_oplist(stdout); end_listing();
    case OPT_EVAL_CONST: eval_clist(stdout); end_listing();
    case OPT_EVAL_FUNC: eval_flist(stdout); end_listing();
    default: return false;
    }
    return true;
}

// Options that choose a column, row, sorting, scaling, filtering or threshold operation and set
// its parameters; false for any other option.
bool set_operation_option(entry_state& st, int c, const char* arg)
{
    switch (c) {
    case 'k': select_mode(st, REM_COL); break;
    case OPT_KEEP_COLS:
        select_mode(st, REM_COL);
        settings.inverse = 1;
        if (arg) add_flaglines(settings.flag_lines, arg);
        break;
    case 'r': select_mode(st, REM_ROW); break;
    case OPT_KEEP_ROWS:
        select_mode(st, REM_ROW);
        settings.inverse = 1;
        if (arg) add_flaglines(settings.flag_lines, arg);
        break;
    case 't': select_mode(st, TRANSPOSE); break;
    case 'c': select_mode(st, CHECK); break;
    case OPT_GET_ROWS: select_mode(st, MODE_GET_ROWS); break;
    case OPT_GET_COLS: select_mode(st, MODE_GET_COLS); break;
    case 'd': set_split(st, arg); break;
    case 'n':
        select_mode(st, NOISE);
        st.noiselevel = get_double(arg);
        break;
    case 'q':
        select_mode(st, QSORT);
        st.sortcolumns = arg;
        break;
    case 'm':
        select_mode(st, MUL_COL);
        st.multiply = get_double(arg);
        break;
    case OPT_DIVIDE:
        select_mode(st, DIV_COL);
        st.multiply = get_double(arg);
        if (std::fabs(st.multiply) < 2.220446049250313e-16) error("Can't divide by ZERO\n");
        break;
    case 'p':
        select_mode(st, ADD_COL);
        st.add = get_double(arg);
        break;
    case 'f': set_filter(st, arg); break;
    case 'u': {
        select_mode(st, MEDIANFILTER);
        std::sscanf(arg, "%8ld", &st.filtertaps);
        if (st.filtertaps <= 0) error("Filtertaps can't be negative (%ld)", st.filtertaps);
        break;
    }
    case OPT_RUNNING_AVERAGE: set_running_average(st, arg); break;
    case 'j': {
        select_mode(st, SHIFT);
        char* end = nullptr;
        st.shiftcolumns = std::strtol(arg, &end, 10);
        if (st.shiftcolumns == 0 && end == arg) error("Can't convert %s to a number\n", arg);
        // The magnitude is taken in unsigned arithmetic, so that the most negative count has one too.
        const auto shift = static_cast<unsigned long>(st.shiftcolumns);
        settings.extra_lines -= static_cast<size_t>(st.shiftcolumns < 0 ? 0UL - shift : shift);
        break;
    }
    case 'y':
        select_mode(st, ENUMERATE);
        if (arg && (arg[0] == 'c' || arg[0] == 'C')) settings.add_line_count = 1;
        settings.extra_columns += 1;
        break;
    case OPT_REMOVEGT: set_level(st, REM_GT, arg); break;
    case OPT_REMOVELT: set_level(st, REM_LT, arg); break;
    case OPT_REMOVEEQ: set_level(st, REM_EQ, arg); break;
    case OPT_REMOVELEQ: set_level(st, KEEP_GT, arg); break;
    case OPT_REMOVEGEQ: set_level(st, KEEP_LT, arg); break;
    case OPT_REMOVENEQ: set_level(st, KEEP_EQ, arg); break;
    case OPT_RANGE_KEEP: set_range(st, MODE_RANGE_KEEP, arg); break;
    case OPT_RANGE_REMOVE: set_range(st, MODE_RANGE_REMOVE, arg); break;
    default: return false;
    }
    return true;
}

// Options that choose an expression, sum, reshaping, windowed-sinc, plotting or statistics
// operation and set its parameters; false for any other option.
bool set_analysis_option(entry_state& st, int c, const char* arg)
{
    switch (c) {
    case OPT_MATH:
        select_mode(st, MATH);
        st.function = arg;
        break;
    case OPT_EVAL:
        select_mode(st, EVAL);
        st.function = arg;
        break;
    case OPT_EVAL_PROLOG: st.function_prolog = arg; break;
    case OPT_EVAL_EPILOG:
        st.function_epilog = arg;
        settings.extra_lines += 1;
        break;
    case OPT_SHUFFLE: select_mode(st, SHUFFLE); break;
    case OPT_DIFF: select_mode(st, DIFF); break;
    case OPT_SUMCOL:
        select_mode(st, SUM_VERTICAL);
        settings.extra_lines += 1;
        break;
    case OPT_SUMROW:
        select_mode(st, SUM_HORIZONTAL);
        settings.extra_columns += 1;
        break;
    case OPT_CUT_SQUARE:
        select_mode(st, CUT_SQUARE);
        add_flaglines(settings.cut_lines, arg);
        settings.inverse = 1 - settings.inverse;
        break;
    case OPT_NOP: select_mode(st, NOOP); break;
    case OPT_FLIP_UD: select_mode(st, MODE_FLIP_UD); break;
    case OPT_FLIP_LR: select_mode(st, MODE_FLIP_LR); break;
    case OPT_FILTER_SINC_LP: set_sinc(st, WINDOW_SINC_LP, arg); break;
    case OPT_FILTER_SINC_HP: set_sinc(st, WINDOW_SINC_HP, arg); break;
    case OPT_FILTER_SINC_BP: set_sinc(st, WINDOW_SINC_BP, arg); break;
    case OPT_FILTER_SINC_BS: set_sinc(st, WINDOW_SINC_BS, arg); break;
    case OPT_PLOT:
        select_mode(st, PLOT);
        if (const std::string bad = parse_plot_style(arg, st.plot); !bad.empty())
            error("Unknown plot style %s (lines, points, xy, x=LO:HI, y=LO:HI)\n", bad.c_str());
        break;
    case OPT_STATS:
        select_mode(st, MODE_STATS);
        st.summary.items = parse_stat_list(arg);
        break;
    case OPT_GROUP_BY: set_group_by(st, arg); break;
    case OPT_CORRELATE:
        select_mode(st, MODE_PAIRWISE);
        st.pairs = parse_pairwise(arg);
        break;
    case OPT_HISTOGRAM:
        select_mode(st, MODE_BINS);
        st.bins = parse_bins(arg);
        break;
    default: return false;
    }
    return true;
}

}  // namespace

// Splits at ':' like strsep: empty words between adjacent colons are words too.
void parse_env(const char* env)
{
    std::string copy(env);
    size_t start = 0;
    for (;;) {
        const size_t colon = copy.find(':', start);
        const std::string word = copy.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (word == "quiet") settings.quiet = 1;
        if (word == "debug") settings.debug = 1;
        if (word == "strict") settings.strict = 1;
        if (word == "noprogress") settings.no_progress = 1;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
}

void parse_options(int argc, char** argv, entry_state& st)
{
    // Strict mode speaks for the options before it too.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (names_strict(argv[i])) settings.strict = 1;
    // Strictly, the parser stays silent and "-?" comes back as a refused '?', which tells it
    // from an option the parser refused.
    if (settings.strict) opterr = 0;
    const std::string without_help = std::string("#") + (short_options + 2);
    const char* const letters = settings.strict ? without_help.c_str() : short_options;
    int c;
    while ((c = getopt_long(argc, argv, letters, long_opts(), nullptr)) != -1) {
        if (c >= 0 && c < 256 && std::isupper(c)) c = std::tolower(c);
        if (c == '?' && settings.strict && optopt != '?') refuse_command_line(option_complaint(argc, argv));
        if (c == '?' || c == 'h') usage(argv[0]);
        if (c == 0 || set_general_option(st, c, optarg) || set_operation_option(st, c, optarg) ||
            set_analysis_option(st, c, optarg))
            continue;
        if (!settings.more)
            std::fprintf(stderr, "?? getopt returned character code 0%o ??\n", static_cast<unsigned>(c));
    }
}

void no_operation(const char* program)
{
    if (settings.strict) refuse_command_line("no operation given");
    usage(program);
}
