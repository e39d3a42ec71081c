// The --eval language: lexer, grammar results and quirks, names, functions and error reports.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "evaluate.h"
#include "my_eval.h"

namespace {

// The lexer's state after each token of a text, up to the end (at most 50 tokens).
std::vector<lexer> scan(const char* text)
{
    lexer lex;
    setup_lex(&lex);
    lex.pc = lex.program = text;
    std::vector<lexer> out;
    do {
        getsym(&lex);
        out.push_back(lex);
    } while (lex.sym != symbol_period && out.size() < 50);
    return out;
}

std::vector<Symbol> tokens(const char* text)
{
    std::vector<Symbol> out;
    for (const lexer& lex : scan(text)) out.push_back(lex.sym);
    return out;
}

// One data row run through a program: the row as written (input columns, then the new-column
// slots) and the count the harvest announces.
struct row_result {
    std::vector<double> values;
    size_t columns;
};

row_result run_row(const std::string& program, std::vector<double> row, std::vector<double> previous = {},
                   double line = 1)
{
    const size_t n = row.size();
    if (previous.empty()) previous.assign(n, 0.0);
    eval_env env;
    env.n = n;
    row_result res;
    res.values.assign(n + EVAL_NEW_VARS, 0.0);
    std::copy(row.begin(), row.end(), res.values.begin());
    env.r = res.values.data();
    env.c = row.data();
    env.p = previous.data();
    env.line = line;
    eval_program p(program + ";", eval_context::row, n, env, false);
    p.run(env);
    res.columns = p.harvest_variables(res.values.data(), n, env);
    return res;
}

// Checks row values by index: {index, expected} pairs.
void expect_at(const row_result& r, std::initializer_list<std::pair<size_t, double>> want)
{
    for (const auto& [i, v] : want) EXPECT_EQ(r.values[i], v) << "value " << i;
}

// The value of one expression: n[0] of a run over the row 2 3.
double value(const std::string& expr) { return run_row("n[0]=" + expr, {2, 3}).values[2]; }

// Runs a program over the row 2 3 with standard output joined to standard error, so a death
// test sees "SyntaxError" too.
void run_joined(const std::string& program)
{
    dup2(2, 1);
    run_row(program, {2, 3});
    std::exit(0);
}

// Tables: expressions with the value n[0] gets, and programs with the exit status and the
// message (a regular expression) a run over the row 2 3 ends with.
struct value_case {
    const char* expr;
    double want;
};
void expect_values(std::initializer_list<value_case> cases)
{
    for (const auto& c : cases) EXPECT_EQ(value(c.expr), c.want) << c.expr;
}
struct death_case {
    std::string program;
    int status;
    const char* pattern;
};
void expect_deaths(std::initializer_list<death_case> cases)
{
    for (const auto& c : cases)
        EXPECT_EXIT(run_joined(c.program), testing::ExitedWithCode(c.status), c.pattern) << c.program;
}

}  // namespace

// ---- Lexer ---------------------------------------------------------------------------------------

TEST(EvalLexer, PairsSynonymsAndTheEnd)
{
    EXPECT_EQ(tokens("x <> y"), tokens("x != y"));
    EXPECT_EQ(tokens("x => y"), (std::vector<Symbol>{symbol_identifier, symbol_assign, symbol_greater,
                                                     symbol_identifier, symbol_period}));
    EXPECT_EQ(tokens("a:=b**2\\3%4^5"),
              (std::vector<Symbol>{symbol_identifier, symbol_assign, symbol_identifier, symbol_raised_to, symbol_number,
                                   symbol_mod, symbol_number, symbol_mod, symbol_number, symbol_raised_to,
                                   symbol_number, symbol_period}));
    EXPECT_EQ(tokens("&&||[]"), (std::vector<Symbol>{symbol_logic_and, symbol_logic_or, symbol_lsqparen,
                                                     symbol_rsqparen, symbol_period}));

    lexer lex;
    setup_lex(&lex);
    lex.pc = lex.program = "1";
    getsym(&lex);
    for (int i = 0; i < 3; ++i) {
        getsym(&lex);
        EXPECT_EQ(lex.sym, symbol_period);
    }
}

TEST(EvalLexer, NumbersNamesAndFunctions)
{
    const auto t = scan(".5 0x1p4 c[12] sin(x) sin (x) abcdefghijklmnopq");
    EXPECT_EQ(t.at(0).sym, symbol_number);
    EXPECT_EQ(t.at(0).num, 0.5);
    EXPECT_EQ(t.at(1).num, 16.0);
    EXPECT_EQ(t.at(2).sym, symbol_identifier);
    EXPECT_STREQ(t.at(2).idname, "c[12]");
    EXPECT_EQ(t.at(3).sym, symbol_function);
    EXPECT_STREQ(t.at(3).idname, "sin");
    EXPECT_EQ(t.at(6).sym, symbol_identifier);  // after x and )
    EXPECT_STREQ(t.at(6).idname, "sin");
    EXPECT_EQ(t.at(7).sym, symbol_lparen);
    // a 17-letter name is a 15-letter one and a 2-letter one
    EXPECT_STREQ(t.at(10).idname, "abcdefghijklmno");
    EXPECT_STREQ(t.at(11).idname, "pq");
}

TEST(EvalLexer, MarkersSwitchVerboseAndSkipCharacters)
{
    const auto t = scan("#? $x=1; #! y");
    EXPECT_EQ(t.at(0).sym, symbol_identifier);
    EXPECT_STREQ(t.at(0).idname, "x");
    EXPECT_EQ(t.at(0).verbose_error, 1);
    EXPECT_EQ(t.at(0).last_sym - t.at(0).program, 0);  // the token's start includes the marker
    EXPECT_STREQ(t.at(4).idname, "y");
    EXPECT_EQ(t.at(4).verbose_error, 0);
}

TEST(EvalLexerDeath, LexicalErrors)
{
    const struct {
        const char* text;
        const char* pattern;
    } errors[] = {
        {"x=$1", "unknown symbol 36 \\(\\$\\) at \\$1\n"},
        {"a.b", "unknown symbol 46 \\(\\.\\) at \\.b"},
        {"#?c[ 1]", "expecting numeric index"},
        {"#?c[1 ]", "unexpected symbol ' ' \\(expecting symbol_rsqparen"},
        {"#?c[1234567890123]", "to long identifier \\(c\\[1234567890123\\)"},
        {"#?abcdefghijklmno[1]", "to long identifier \\(abcdefghijklmno\\)"},
    };
    for (const auto& e : errors) EXPECT_EXIT(tokens(e.text), testing::ExitedWithCode(1), e.pattern) << e.text;
    EXPECT_EQ(tokens("c[123456789012]")[0], symbol_identifier);
    EXPECT_EQ(tokens("abcdefghijklmno(")[0], symbol_function);
}

TEST(EvalLexerDeath, PrintErrorExcerptAndOffsets)
{
    // The excerpt runs from ten characters before the position to ten after it.
    auto report = [] {
        lexer lex;
        setup_lex(&lex);
        lex.verbose_error = 1;
        lex.program = "0123456789abcdefghijklmnopqrstuvwxyz";
        lex.pc = lex.program + 16;
        lex.last_sym = lex.program + 14;
        lex.last_last_sym = lex.program + 12;
        print_error(77, &lex, lex.program + 15);
        std::exit(3);
    };
    EXPECT_EXIT(report(), testing::ExitedWithCode(3),
                "^56789abcdefghijklmno\n          \\^\nprogram=0x[0-9a-f]+\nline=77\nwhere=15\nlex->pc=16\n"
                "lex->last_sym=14\nlex->last_last_sym=12\n$");
    auto plain = [] {
        dup2(2, 1);
        lexer lex;
        setup_lex(&lex);
        lex.pc = lex.program = lex.last_sym = lex.last_last_sym = "x";
        print_error(1, &lex, lex.program);
    };
    EXPECT_EXIT(plain(), testing::ExitedWithCode(1), "^SyntaxError\n$");
}

// ---- Grammar -------------------------------------------------------------------------------------

TEST(EvalGrammar, PrecedenceSignsAndTruth)
{
    expect_values({
        // precedence and associativity
        {"1+2*3", 7},
        {"(1+2)*3", 9},
        {"7%3", 1},
        {"7\\2", 1},
        {"10-4-3", 3},
        {"2^3^2", 64},
        {"2**3", 8},
        {"3^2*2", 18},
        {"2^3*2", 16},
        {"1 < 2 < 3", 1},
        // equality binds less tightly than the comparisons, on both sides
        {"1 == 2 < 3", 1},
        {"3 == 2 < 3", 0},
        {"1 != 2 < 3", 0},
        {"2 < 3 == 1", 1},
        {"0 == 1 != 1", 1},
        {"3 > 2 > 1", 0},
        {"0 || 0", 0},
        {"0.5 && -2", 1},
        {"1 ? 2 : 3", 2},
        {"0 ? 2 : 1 ? 5 : 6", 5},
        {"1 || 0 && 0", 1},
        // a prefix sign takes the rest of the expression: the last is -(-(2-1))
        {"-2+3", -5},
        {"(-2)+3", 1},
        {"2*-3+1", -8},
        {"-1 ? 4 : 5", -4},
        {"-7%3", -1},
        {"+2*3", 6},
        {"- - 2 - 1", 1},
        // equality is a difference compared with 0: two infinities are not equal
        {"1/0 == 1/0", 0},
        {"1/0 != 1/0", 1},
    });
    EXPECT_TRUE(std::isinf(value("1/0")));
    EXPECT_TRUE(std::isnan(value("5 % 0")));
}

TEST(EvalGrammar, ConditionsAreTrueForAnyValueButZeroAndNaN)
{
    // c[1] is 2 here, so c[1]-3 is -1; 0*(-1) is -0.
    expect_values({
        {"c[1]-3 ? 5 : 7", 5}, {"(-1) ? 4 : 5", 4}, {"0-1e-300 ? 4 : 5", 4}, {"(0-1/0) ? 4 : 5", 4}, {"0 ? 4 : 5", 5},
        {"0*(-1) ? 4 : 5", 5}, {"0/0 ? 4 : 5", 5},  {"c[1]-3 && 1", 1},      {"1 && c[1]-3", 1},     {"0-2 && 0-3", 1},
        {"0*(-1) && 1", 0},    {"1 && 0*(-1)", 0},  {"0/0 && 1", 0},         {"1 && 0/0", 0},        {"c[1]-3 || 0", 1},
        {"0 || c[1]-3", 1},    {"0*(-1) || 0", 0},  {"0 || 0*(-1)", 0},      {"0 || 0/0", 0},        {"0/0 || 0", 0},
    });
}

TEST(EvalGrammar, ComparisonsAtTheirBoundsAndSigns)
{
    expect_values({
        {"2 < 2", 0},
        {"2 <= 2", 1},
        {"2 > 2", 0},
        {"2 >= 2", 1},
        {"0-3 < 0-2", 1},
        {"0-2 < 0-3", 0},
        {"0-3 > 0-2", 0},
        {"0-2 > 0-3", 1},
        {"0-3 <= 0-2", 1},
        {"0-3 >= 0-2", 0},
        {"3 == 2", 0},
        {"2 == 3", 0},
        {"0-2 == 0-2", 1},
        {"3 != 2", 1},
        {"2 != 3", 1},
        {"0-2 != 0-2", 0},
        {"3 <> 2", 1},
        // -0 equals 0 and is not below it
        {"0*(-1) == 0", 1},
        {"0*(-1) != 0", 0},
        {"0*(-1) < 0", 0},
        {"0*(-1) >= 0", 1},
        {"0 > 0*(-1)", 0},
        // every comparison with a NaN fails but !=
        {"0/0 < 1", 0},
        {"0/0 <= 1", 0},
        {"0/0 > 1", 0},
        {"0/0 >= 1", 0},
        {"1 < 0/0", 0},
        {"1 >= 0/0", 0},
        {"0/0 == 0/0", 0},
        {"0/0 != 0/0", 1},
    });
}

TEST(EvalGrammar, StatementsAndEmptyStatements)
{
    auto r = run_row("x = 1;; n[1] = x; a := 4; n[2] = a", {2, 3});
    EXPECT_EQ(r.values[3], 1);
    EXPECT_EQ(r.values[4], 4);
    EXPECT_EQ(run_row("", {2, 3}).columns, 2u);
}

TEST(EvalGrammarDeath, SyntaxErrorsPlainVerboseAndInOrder)
{
    expect_deaths({
        {"n[1]=2*3^2", 1, "^SyntaxError\n$"},
        {"#?n[1]=2*3^2", 1,
         "\\^\n.*where=10\n"
         ".*unexpected symbol symbol_raised_to '\\^' or '\\*\\*'  \\(expecting symbol_semicolon ';' \\)\n"},
        {"#?n[1]=(1+2", 1, "unexpected symbol symbol_semicolon ';'  \\(expecting symbol_rparen '\\)' \\)"},
        {"#?n[1]=1+", 1, "factor: space-indent on; syntax error \\(;\\)"},
        {"#?n[1]=foo(1)", 1, "unknown function \\(foo\\(\\)\\)"},
        {"#?n[1]=sin (1)", 1, "variable/constant \\(sin\\) not found"},
        {"#?n[1]=c[01]", 1, "variable/constant \\(c\\[01\\]\\) not found"},
        {"#?n[1]=1e999", 0, "getsym: Numerical result out of range\n"},
        {"n[1]=1e999", 1, "getsym: Numerical result out of range\nSyntaxError\n"},
        // The statement error always shows its context.
        {"3 = x", 1,
         "^Expected \"symbol_identifier \"variable\"\" or \"symbol_semicolon ';' \", got \"symbol_number\"\n"
         "3 = x;\n\\^\nprogram=0x[0-9a-f]+\nline=[0-9]+\nwhere=0\n"},
        {"sin(1)", 1, "got \"symbol_function\""},
        // Errors come in text order. Outside verbose mode the first failing step ends the run;
        // behind "#?" maths errors go on.
        {"a = sqrt(-1); 3 = x", 1, "^eval_func: Numerical argument out of domain\nSyntaxError\n$"},
        {"a = sqrt(-1) #? ; 3 = x", 1, "^eval_func: Numerical argument out of domain\n.*\nExpected "},
        {"a = b; n[1] = 1e999", 1, "^SyntaxError\n$"},
        {"#?a = 1 ? 2 : sqrt(-1); n[1] = 2^9999", 0,
         "eval_func: Numerical argument out of domain\n(.*\n)*term: Numerical result out of range\n"},
        // "#!" switches the context off again for what follows
        {"#?a = sqrt(-1); #! b = sqrt(-1)", 1,
         "eval_func: Numerical argument out of domain\n(.*\n)*"
         "eval_func: Numerical argument out of domain\nSyntaxError\n$"},
    });
}

TEST(EvalGrammarDeath, NestingIsBounded)
{
    // Up to max_nesting levels (the statement's own expression counts as one) evaluate, also in
    // sanitizer builds on the default stack; one level more is refused with a message.
    auto nested = [](int depth) {
        return std::string(static_cast<size_t>(depth), '(') + "1" + std::string(static_cast<size_t>(depth), ')');
    };
    EXPECT_EQ(value(nested(max_nesting - 1)), 1);
    EXPECT_EXIT(run_joined("#?n[1]=" + nested(max_nesting)), testing::ExitedWithCode(1),
                "expression nested deeper than 5000 levels");
    std::string minus;
    for (int i = 1; i < max_nesting; ++i) minus += "- ";
    EXPECT_EQ(value(minus + "1"), -1);
    std::string signs;
    for (int i = 0; i < 5000; ++i) signs += "- ";
    EXPECT_EXIT(run_joined("n[1]=" + signs + "1"), testing::ExitedWithCode(1), "^SyntaxError\n$");
}

// ---- Names -----------------------------------------------------------------------------------------

TEST(EvalNames, RowNamesAndHiding)
{
    expect_at(run_row("r[2] = r[2]*2; n[1] = c[2]", {1, 5}), {{1, 10}, {3, 5}});
    expect_at(run_row("c[1] = 5; n[1] = c[1]", {1, 2}), {{0, 1}, {3, 5}});
    const auto r = run_row("_pi = 3; n[1] = _pi; n[2] = _e; n[3] = _c", {1});
    expect_at(r, {{2, 3}, {4, 299792458}});
    EXPECT_DOUBLE_EQ(r.values[3], 2.718281828459045);
    expect_at(run_row("n[1] = _line; n[2] = p[1]; n[3] = p[2]", {1, 2}, {7, 8}, 4), {{3, 4}, {4, 7}, {5, 8}});
}

TEST(EvalNames, NewColumnsCountAndOrder)
{
    auto r = run_row("n[3] = 1", {0, 0});
    EXPECT_EQ(r.columns, 3u);
    expect_at(r, {{5, 1}});
    r = run_row("n[2] = 1; n[1] = 2; n[99] = 3; n[100] = 4", {0});
    EXPECT_EQ(r.columns, 4u);
    expect_at(r, {{2, 2}, {3, 1}, {100, 3}});
    // two spellings of one new column both count; the one assigned first gives the value
    r = run_row("n[1] = 1; n[01] = 2", {0});
    EXPECT_EQ(r.columns, 3u);
    expect_at(r, {{2, 1}});
    // r-names outside 1..n and non-canonical spellings do not reach the row
    r = run_row("r[3] = 9; r[01] = 9", {1, 2});
    expect_at(r, {{0, 1}});
    EXPECT_EQ(r.columns, 2u);

    eval_env env;
    std::vector<char> flag(1 + 102, 0);
    eval_program p("n[2] = 1; n[0] = 1;", eval_context::row, 1, env, false);
    p.mark_new_columns(flag.data(), 1, EVAL_NEW_VARS);
    for (const auto& [i, marked] : {std::pair{1, 0}, {2, 1}, {3, 0}, {100, 1}}) EXPECT_EQ(flag[i], marked) << i;
}

TEST(EvalNames, GlobalsLiveAcrossRunsTemporariesDoNot)
{
    eval_env env;
    env.n = 1;
    std::vector<double> values(1 + EVAL_NEW_VARS), in(1), prev(1, 0.0);
    env.r = values.data();
    env.c = in.data();
    env.p = prev.data();
    eval_program prolog("g[1] = 10; t = 1;", eval_context::prolog, 1, env, false);
    eval_program row("g[1] = g[1] + c[1]; n[1] = g[1];", eval_context::row, 1, env, false);
    prolog.run(env);
    for (double v : {1.0, 2.0, 3.0}) {
        in[0] = values[0] = v;
        row.run(env);
        row.harvest_variables(values.data(), 1, env);
    }
    EXPECT_EQ(values[2], 16);

    eval_env fresh;
    fresh.n = 1;
    fresh.r = values.data();
    fresh.c = in.data();
    fresh.p = prev.data();
    // A fresh environment has no globals; temporaries and the row names of the other contexts
    // are unknown.
    const struct {
        const char* program;
        eval_context context;
        eval_env* env;
        const char* pattern;
    } unknown[] = {
        {"#?g[1] = g[1] + c[1];", eval_context::row, &fresh, "variable/constant \\(g\\[1\\]\\) not found"},
        {"#?x = t;", eval_context::row, &env, "variable/constant \\(t\\) not found"},
        {"#?x = c[1];", eval_context::epilog, &env, "variable/constant \\(c\\[1\\]\\) not found"},
        {"#?x = r[1];", eval_context::prolog, &env, "variable/constant \\(r\\[1\\]\\) not found"},
    };
    for (const auto& u : unknown)
        EXPECT_EXIT(
            {
                dup2(2, 1);
                eval_program(u.program, u.context, 1, *u.env, false).run(*u.env);
            },
            testing::ExitedWithCode(1), u.pattern)
            << u.program;
}

TEST(EvalNames, IndexedNameReading)
{
    unsigned k = 0;
    EXPECT_TRUE(scan_indexed("n[00005]", 'n', &k));
    EXPECT_EQ(k, 5u);
    EXPECT_TRUE(scan_indexed("n[123456]", 'n', &k));
    EXPECT_EQ(k, 12345u);
    EXPECT_FALSE(scan_indexed("g[1]", 'n', &k));
    EXPECT_EQ(row_name_index("c[3]", 'c', 3), 3u);
    EXPECT_EQ(row_name_index("c[03]", 'c', 3), 0u);
    EXPECT_EQ(row_name_index("c[4]", 'c', 3), 0u);
    EXPECT_TRUE(is_global_name("g[0]"));
    EXPECT_FALSE(is_global_name("g"));
}

// ---- Functions ---------------------------------------------------------------------------------------

TEST(EvalFunctions, TableIsSortedAndComplete)
{
    ASSERT_EQ(functions_count, 29u);
    for (size_t i = 1; i < functions_count; ++i)
        EXPECT_LT(std::strcmp(functions[i - 1].funcname, functions[i].funcname), 0) << functions[i].funcname;
    for (size_t i = 0; i < functions_count; ++i) EXPECT_EQ(lookup_func(functions[i].funcname), &functions[i]);
    EXPECT_EQ(lookup_func("max"), nullptr);
}

TEST(EvalFunctions, SystemDefinitions)
{
    expect_values({{"fact(3.9)", 6},
                   {"fact(-1)", 1},
                   {"fact(170) < 1/0", 1},
                   {"int(-2.7)", -2},
                   {"trunc(-2.7)", -2},
                   {"frac(-2.5)", -0.5},
                   {"sgn(-3)", -1},
                   {"round(2.5)", 3},
                   {"round(-2.5)", -3},
                   {"pow(2,10)", 1024},
                   {"fmod(7,3)", 1},
                   {"log(1000)", 3},
                   {"ln(_e)", 1}});
    for (const char* zero : {"sgn(0)", "sgn(0*(-1))", "sgn(0/0)"}) EXPECT_EQ(value(zero), 0) << zero;
    EXPECT_EQ(value("sgn(0-1e-300)"), -1);
    EXPECT_TRUE(std::isinf(value("fact(171)")));
    EXPECT_TRUE(std::isinf(value("atanh(1)")));
    EXPECT_DOUBLE_EQ(value("atan2(1,1)"), M_PI / 4);
    EXPECT_DOUBLE_EQ(value("asinh(1)"), std::log(1 + std::sqrt(2.0)));
    EXPECT_DOUBLE_EQ(value("acosh(2)"), std::log(2 + std::sqrt(3.0)));
    // beyond the 32-bit range: int truncates, fact grows to infinity or stays 1
    EXPECT_EQ(intf(1e10), 1e10);
    EXPECT_EQ(intf(-3e9 - 0.5), -3e9);
    EXPECT_TRUE(std::isinf(factorial(3e9)));
    EXPECT_EQ(factorial(-3e9), 1);
    EXPECT_TRUE(std::isnan(factorial(NAN)));
    EXPECT_TRUE(std::isnan(intf(NAN)));
}

TEST(EvalFunctionsDeath, MathErrors)
{
    expect_deaths({
        {"n[1]=acosh(0.5)", 1, "^eval_func: Numerical argument out of domain\nSyntaxError\n$"},
        {"n[1]=ln(0)", 1, "^eval_func: Numerical result out of range\nSyntaxError\n$"},
        {"n[1]=0^-1", 1, "^term: Numerical result out of range\nSyntaxError\n$"},
        // both branches and both operands are always evaluated
        {"n[1]=0 ? sqrt(-4) : 0", 1, "eval_func"},
        {"n[1]=0 && ln(-4) > 1", 1, "eval_func"},
        {"#?n[1]=sqrt(-1)", 0, "^eval_func: Numerical argument out of domain\n\\]=sqrt\\(-1\\);\n          \\^\n"},
    });
}

// ---- Translation of the old names ------------------------------------------------------------------

TEST(EvalTranslate, OldNamesAreRewritten)
{
    EXPECT_EQ(translate("_n1=_c12*2"), "n[1]=c[12]*2");
    EXPECT_EQ(translate("x_n1=_g2+_p3+_r4"), "xn[1]=g[2]+p[3]+r[4]");
    EXPECT_EQ(translate("a=_pi+_c+_e+_x1+_c"), "a=_pi+_c+_e+_x1+_c");
    char buf[64];
    translate("_r1=1", buf);
    EXPECT_STREQ(buf, "r[1]=1");
    EXPECT_EQ(is_special_array("c1"), 1);
    EXPECT_EQ(is_special_array("cx"), 0);
    EXPECT_EQ(is_special_array("x1"), 0);
}
