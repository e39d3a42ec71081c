// The --eval expression language: lexer, grammar, names and built-in functions.
//
// A program text is scanned and parsed once per context (prolog, data row, epilog) into a
// compact list of stack-machine steps whose names are resolved to slots. Running the steps
// behaves exactly as evaluating while parsing would: every sub-expression is computed in text
// order, every lexical, syntax and lookup error fires at the point of the text where the scan
// would meet it (so rows before it are still written, and an error inside an expression comes
// after the errors of the parts before it), and the "#?"/"#!" switch holds the state it would
// have at that point of the scan.
//
// One layer a file, in the order the text passes through them:
// - my_eval_lexer.cpp: the lexer. scan_token reads one token and describes a fault instead of
//   reporting it; getsym reports at once; print_error writes the source context of a report.
// - my_eval_compile.cpp: the compiler. A recursive descent over the grammar's levels (ternary,
//   ||, &&, equality, relations, + -, terms, factors) that emits one step per evaluation step,
//   resolves each name to a slot for its context, and turns each error into a step that reports
//   it when the run gets there.
// - my_eval_run.cpp: the run. Executes the steps over one row, makes the reports, and harvests
//   the new columns.
// - my_eval_names.cpp: the built-in functions and constants, their listings, the reading of
//   indexed names and the slots of the g-names.
// - evaluate.cpp: the eval operation, which compiles the prolog, the row program and the epilog
//   and runs them over the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "vorn_variables.h"

// ---- Lexer ---------------------------------------------------------------------------------------

enum Symbol {
    symbol_none = 0,
    symbol_space,
    symbol_identifier,
    symbol_number,
    symbol_lparen,
    symbol_rparen,
    symbol_times,
    symbol_slash,
    symbol_plus,
    symbol_minus,
    symbol_equal,
    symbol_not_equal,
    symbol_less,
    symbol_less_equal,
    symbol_greater,
    symbol_greater_equal,
    symbol_semicolon,
    symbol_colon,
    symbol_question,
    symbol_assign,
    symbol_constsym,
    symbol_comma,
    symbol_mod,
    symbol_raised_to,
    symbol_function,
    symbol_period,
    symbol_logic_or,
    symbol_logic_and,
    symbol_lsqparen,
    symbol_rsqparen,
    VERRYLASTXXYYZZ
};

// Printable names of the token kinds, by value.
extern const char* const symbol[VERRYLASTXXYYZZ];

constexpr int idname_len = 15;

struct lexer_struct {
    double num;
    Symbol sym;
    // 0: errors print "SyntaxError" only; 1: errors show their context. While a program is being
    // compiled the value -1 stands for "as the previous program left it" (no marker seen yet).
    int verbose_error;
    const char* pc;
    const char* program;
    const char* last_sym;
    const char* last_last_sym;
    char idname[idname_len + 1];
};
using lexer = lexer_struct;

void setup_lex(lexer* lex);

// What a scan met besides its token: nothing, a number out of range (reported, and fatal only
// outside verbose mode), or a fatal lexical error.
struct lex_fault {
    enum kind_t { none, range, unknown_symbol, invalid_number, long_identifier, numeric_index, rsqparen } kind = none;
    int line = 0;  // reporting site
    const char* where = nullptr;
    const char* pc = nullptr;  // the cursor at the moment of the report
    int err = 0;               // errno of a range error
    int ch = 0;                // the offending character
    std::string name;          // the identifier of a too-long name
};

// Scans the next token; a fault is described in `fault` instead of being reported.
void scan_token(lexer* lex, lex_fault* fault);
// Scans the next token; faults are reported at once (fatal ones end the process).
void getsym(lexer* lex);
// Reports a fatal fault of the scan (any kind but range) and ends the process.
[[noreturn]] void report_fault(const lex_fault& f, lexer* lex);

// Reports a position in the program text: "SyntaxError" and exit 1 outside verbose mode, the
// excerpt, pointer line and offsets on standard error inside it.
void print_error(int line, lexer* lex, const char* where);

// ---- Functions and constants ----------------------------------------------------------------------

enum ARGS { ARGS0 = 0, ARGS1 = 1, ARGS2 = 2, ARGS3 = 3 };

struct function {
    const char* funcname;
    ARGS numargs;
    union {
        double (*f0)();
        double (*f1)(double);
        double (*f2)(double, double);
    } f;
    const char* description;
};

extern const function functions[];
extern const size_t functions_count;
// Bisection over the table in strcmp order; null when there is no such function.
const function* lookup_func(const char* name);

double factorial(double m);
double sgn(double m);
double intf(double m);
double my_trunc(double m);
double fract(double m);
double my_acosh(double x);
double my_asinh(double x);
double my_atanh(double x);

struct variable2 {
    const char* id;
    double value;
    const char* description;
};
// The built-in constants in list order (_c, _e, _pi).
extern const variable2 fixed_constants[];
extern const size_t fixed_constants_count;
const variable2* lookup_fixed_constant(const char* id);

void print_flist(FILE* f);
void print_clist(FILE* f);
void print_oplist(FILE* f);

// ---- Names ----------------------------------------------------------------------------------------

// Where a program runs: what the names c[k], r[k], p[k] and _line mean there.
enum class eval_context { prolog, row, epilog };

// k when `name` is prefix[k] written the way the row set-up writes names ("c[%u]", k from 1 to
// n: no leading zero), else 0.
size_t row_name_index(const char* name, char prefix, size_t n);
// Does `name` read as "X[%5u]" with X = prefix? The index read (at most five digits) in *k.
bool scan_indexed(const char* name, char prefix, unsigned* k);
// g-names survive from one evaluation to the next.
inline bool is_global_name(const char* name)
{
    unsigned k;
    return scan_indexed(name, 'g', &k);
}

// The state the programs of one eval operation share: the g-names, the row buffers of the current
// evaluation and the lexer's verbose switch.
struct eval_env {
    size_t n = 0;
    double* r = nullptr;        // the row being built: r[k] is r[k-1]; slots n.. take the new columns
    const double* c = nullptr;  // the row as read
    const double* p = nullptr;  // the previous row as read
    double line = 0;            // _line
    int verbose_error = 0;

    // g-names in order of first appearance in any program text
    std::vector<std::string> global_names;
    std::vector<double> global_values;
    std::vector<char> global_defined;
    std::vector<unsigned long> global_created;  // creation order, for the debug listing
    unsigned long creations = 0;
    std::unordered_map<std::string, uint32_t> global_slots;

    uint32_t global_slot(const std::string& name);
};

// ---- Programs -------------------------------------------------------------------------------------

// One report that a program makes when its run reaches a certain point.
struct error_site {
    enum kind_t {
        lexical,        // a fault of the scan (see lex_fault)
        not_found,      // "variable/constant (%s) not found\n"
        unexpected,     // expect: "unexpected symbol %s (expecting %s)\n"
        factor_syntax,  // "factor: space-indent on; syntax error (%s)\n"
        statement,      // "Expected \"%s\" or \"%s\", got \"%s\"\n"
        unknown_function,
        too_deep,
        math_pow,  // a maths-library error of "^"
        math_func  // a maths-library error of a function call
    } kind;
    int line = 0;
    long where = 0, pc = 0, last_sym = 0, last_last_sym = 0;
    int verbose = -1;  // -1: as at the start of the run
    lex_fault::kind_t fault = lex_fault::none;
    int err = 0;
    int ch = 0;
    std::string text;  // name or message argument
    std::string text2;
};

class eval_program {
public:
    // Scans and parses `text` (kept as the program text that diagnostics refer to) for the given
    // context over rows of n columns. Never reports: errors become steps of the program.
    eval_program(std::string text, eval_context ctx, size_t n, eval_env& env, bool debug);

    // Runs the program once. Errors end the process as they would while evaluating.
    void run(eval_env& env);

    // Marks n .. n+newn-1 as left out, except the new columns that receive a value.
    void mark_new_columns(char* flag, size_t n, size_t newn) const;
    // Copies the new columns into values[n+k]; returns n plus the number of new-column names.
    size_t harvest_variables(double* values, size_t n, eval_env& env) const;

    const std::string& text() const { return text_; }

    enum op_code : uint8_t {
        op_num,
        op_temp,
        op_global,
        op_global_checked,
        op_r,
        op_c,
        op_p,
        op_line,
        op_set_temp,
        op_set_global,
        op_set_r,
        op_neg,
        op_add,
        op_sub,
        op_mul,
        op_div,
        op_mod,
        op_pow,
        op_eq,
        op_ne,
        op_lt,
        op_le,
        op_gt,
        op_ge,
        op_and,
        op_or,
        op_ternary,
        op_call0,
        op_call1,
        op_call2,
        op_report,  // a report that may let the run go on (range errors in verbose mode)
        op_fail,    // a report that always ends the run
        op_trace,
        op_assign_trace,
        op_end
    };
    struct op {
        op_code code;
        bool first = false;  // op_set_temp: the name's first assignment (debug listing)
        uint32_t a = 0;      // slot, index or error site
        uint32_t b = 0;      // second operand: error site of a call or a checked global
        double num = 0;
        const function* fn = nullptr;
    };

private:
    friend class eval_compiler;
    void report(const error_site& site, eval_env& env, int err);
    void debug_harvest(eval_env& env) const;

    std::string text_;
    eval_context ctx_;
    std::vector<op> code_;
    std::vector<error_site> errors_;
    std::vector<std::string> temp_names_;
    std::vector<std::string> trace_names_;  // names of the debug trace of assignments
    std::vector<double> temps_;
    std::vector<double> stack_;
    std::vector<std::pair<uint32_t, uint32_t>> new_columns_;  // (k, temp slot)
    size_t new_count_ = 0;
    int end_verbose_ = -1;
    // debug listing of the harvest: names created by this run, in creation order (temp or global)
    std::vector<std::pair<bool, uint32_t>> created_;
    unsigned long run_start_ = 0;
    bool debug_ = false;
};

// Greatest nesting of parentheses, prefix signs and function arguments a program may use.
constexpr int max_nesting = 5000;
