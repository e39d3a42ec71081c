// The eval operation: a program of the expression language run once per data row, with an
// optional prolog before the first row and an epilog that writes one extra row.
#include "evaluate.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "frame.h"
#include "my_eval.h"
#include "operations.h"

int is_special_array(const char* s)
{
    switch (s[0]) {
    case 'c':
    case 'g':
    case 'n':
    case 'p':
    case 'r': return s[1] >= '0' && s[1] <= '9' ? 1 : 0;
    default: return 0;
    }
}

std::string translate(const char* from)
{
    std::string to;
    to.reserve(2 * std::strlen(from) + 1);
    bool rewritten = false;
    for (const char* p = from; *p;) {
        if (p[0] == '_' && is_special_array(p + 1)) {
            to += p[1];
            to += '[';
            p += 2;
            while (*p >= '0' && *p <= '9') to += *p++;
            to += ']';
            rewritten = true;
        } else {
            to += *p++;
        }
    }
    if (rewritten)
        message(
            "\nVariables of type _n1, _c2  and _r4 are deprecated.\nPlease use       n[1], c[2] and r[4] instead.\n\n");
    return to;
}

void translate(const char* from, char* to)
{
    const std::string t = translate(from);
    std::memcpy(to, t.c_str(), t.size() + 1);
}

namespace {
// The user's text translated, traced under the given labels, with ";" appended.
std::string working_copy(const char* text, const char* label, const char* label_translated)
{
    std::string t = translate(text);
    if (settings.debug) {
        dbg_printf(label, text);
        dbg_printf(label_translated, t.c_str());
    }
    t += ';';
    return t;
}
}  // namespace

void eval(const char* namein, const char* nameout, const char* flagfile, const char* function_string,
          const char* function_string_prolog, const char* function_string_epilog, size_t* vars, size_t* rows)
{
    const std::string text = working_copy(function_string, "pc:%s\n", "pc(translated):%s\n");
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Apply %s ", function_string);
    else
        std::fprintf(stderr, "Apply this expression (%s) to all rows\n", text.c_str());

    // The output is opened at the first evaluated row, with the columns that row produced; until
    // then comment lines are queued.
    frame f(namein, nullptr, {.flagfile = flagfile});
    const size_t n = f.columns();
    if (n == 0) {
        f.finish(vars, rows, 0);
        return;
    }
    open__files& of = f.pair();
    flag_array& flag = f.marks();  // the new columns get their marks once the program is known

    eval_env env;
    env.n = n;
    const bool debug = settings.debug != 0;
    if (function_string_prolog) {
        eval_program prolog(working_copy(function_string_prolog, "prolog:%s\n", "prolog(translated):%s\n"),
                            eval_context::prolog, n, env, debug);
        prolog.run(env);
    }

    std::vector<double> values(n + EVAL_NEW_VARS, 0.0);
    std::vector<double> input(n, 0.0), previous(n, 0.0);
    double* row_as_read = input.data();
    double* previous_row = previous.data();
    of.nameout = nameout;

    eval_program program(text, eval_context::row, n, env, debug);
    program.mark_new_columns(flag.data(), n, EVAL_NEW_VARS);
    // Marked columns are not written: the rows end with the last column written.
    size_t width = n + EVAL_NEW_VARS;
    while (width > 0 && flag[width - 1]) --width;
    env.r = values.data();
    size_t count = 0;
    // Columns left as read are written as their text; the new columns have none.
    std::vector<field_text> fields(n + EVAL_NEW_VARS);
    while (f.read(values.data(), comments_at::in_place, fields.data())) {
        ++count;
        env.line = static_cast<double>(count);
        std::memcpy(row_as_read, values.data(), n * sizeof(double));
        env.c = row_as_read;
        env.p = previous_row;
        program.run(env);
        const size_t columns = program.harvest_variables(values.data(), n, env);
        if (!of.out) openout(of, columns, 0);
        f.write(values.data(), width, flag.data(), fields.data());
        std::swap(row_as_read, previous_row);  // p[k] of the next row is this row as read
    }

    std::fill(values.begin(), values.begin() + static_cast<long>(n), 0.0);
    if (function_string_epilog && of.out) {
        eval_program epilog(working_copy(function_string_epilog, "epilog:%s\n", "epilog(translated):%s\n"),
                            eval_context::epilog, n, env, debug);
        env.c = nullptr;
        env.p = previous_row;
        epilog.run(env);
        epilog.mark_new_columns(flag.data(), n, EVAL_NEW_VARS);
        epilog.harvest_variables(values.data(), n, env);
        f.write(values.data(), n + EVAL_NEW_VARS, flag.data());
        ++count;
    }

    f.finish(vars, rows, count);
}

void eval_examples(FILE* f)
{
    std::fputs(
        "Some examples for --eval:\n"
        "If t.dat is 2 columns & tt.dat the result.\n"
        "  vorn --eval=\"n[1]=c[1]+c[2]\" t.dat tt.dat\n"
        "will make a new third column that is the sum of column 1 & 2.\n"
        "\n"
        "  vorn --eval=\"r[1]=c[1]+c[2]\" t.dat tt.dat\n"
        "will replace the first column with the sum of column 1 & 2\n"
        "\n"
        "  vorn --eval=\"r[2]=sin(c[2])\" t.dat tt.dat\n"
        "will replace column 2 with the sine of column 2\n"
        "\n"
        "'n[1]' is the first new column. If you use 'n[3]' without 'n[1]' & 'n[2]', 'n[3]' will be the first "
        "column\n"
        "\n"
        "  vorn --eval-begin=\"g[1]=1\" --eval=\"g[1]=g[1]*c[1]\" --eval-end=\"r[1]=g[1]\"\n"
        "will initialize 'g[1]' to 1 then multiply all column 1 values and write an extra line with the total "
        "product\n",
        f);
}

void eval_oplist(FILE* f) { print_oplist(f); }
void eval_flist(FILE* f) { print_flist(f); }
void eval_clist(FILE* f) { print_clist(f); }
