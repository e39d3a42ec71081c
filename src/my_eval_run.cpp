// The --eval language, third layer: the run of a compiled program over one row, its reports at
// the points where evaluation would meet them, and the harvest of the new columns (see my_eval.h
// for the layers).
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "my_eval.h"
#include "utils.h"

namespace {
const char* const trace_text[] = {
    "ternary returns %g\n",     "logical_or returns %g\n", "logical_and returns %g\n", "relationals_eq returns %g\n",
    "relationals returns %g\n", "plus_minus returns %g\n", "term returns %g\n",        "eval_func returns %g\n",
};
inline double truth(double v) { return std::fabs(v) > 0 ? 1.0 : 0.0; }
}  // namespace

void eval_program::run(eval_env& env)
{
    if (debug_) {
        created_.clear();
        run_start_ = env.creations;
    }
    double* sp = stack_.data();  // next free place
    for (const op* o = code_.data();; ++o) {
        switch (o->code) {
        case op_num: *sp++ = o->num; break;
        case op_temp: *sp++ = temps_[o->a]; break;
        case op_global: *sp++ = env.global_values[o->a]; break;
        case op_global_checked:
            if (!env.global_defined[o->a]) report(errors_[o->b], env, 0);
            *sp++ = env.global_values[o->a];
            break;
        case op_r: *sp++ = env.r[o->a]; break;
        case op_c: *sp++ = env.c[o->a]; break;
        case op_p: *sp++ = env.p[o->a]; break;
        case op_line: *sp++ = env.line; break;
        case op_set_temp:
            temps_[o->a] = *--sp;
            if (debug_ && o->first) created_.emplace_back(false, o->a);
            break;
        case op_set_global:
            env.global_values[o->a] = *--sp;
            if (!env.global_defined[o->a]) {
                env.global_defined[o->a] = 1;
                env.global_created[o->a] = ++env.creations;
                if (debug_) created_.emplace_back(true, o->a);
            }
            break;
        case op_set_r: env.r[o->a] = *--sp; break;
        case op_neg: sp[-1] = -sp[-1]; break;
        case op_add:
            --sp;
            sp[-1] = sp[-1] + sp[0];
            break;
        case op_sub:
            --sp;
            sp[-1] = sp[-1] - sp[0];
            break;
        case op_mul:
            --sp;
            sp[-1] = sp[-1] * sp[0];
            break;
        case op_div:
            --sp;
            sp[-1] = sp[-1] / sp[0];
            break;
        case op_mod:
            --sp;
            sp[-1] = std::fmod(sp[-1], sp[0]);
            break;
        case op_pow: {
            --sp;
            errno = 0;
            sp[-1] = std::pow(sp[-1], sp[0]);
            if (const int e = errno) report(errors_[o->a], env, e);
            break;
        }
        case op_eq: {
            --sp;
            const double d = sp[-1] - sp[0];
            sp[-1] = d == 0 ? 1.0 : 0.0;
            break;
        }
        case op_ne: {
            --sp;
            const double d = sp[-1] - sp[0];
            sp[-1] = d != 0 ? 1.0 : 0.0;
            break;
        }
        case op_lt:
            --sp;
            sp[-1] = sp[-1] < sp[0] ? 1.0 : 0.0;
            break;
        case op_le:
            --sp;
            sp[-1] = sp[-1] <= sp[0] ? 1.0 : 0.0;
            break;
        case op_gt:
            --sp;
            sp[-1] = sp[-1] > sp[0] ? 1.0 : 0.0;
            break;
        case op_ge:
            --sp;
            sp[-1] = sp[-1] >= sp[0] ? 1.0 : 0.0;
            break;
        case op_and:
            --sp;
            sp[-1] = truth(sp[-1]) != 0 && truth(sp[0]) != 0 ? 1.0 : 0.0;
            break;
        case op_or:
            --sp;
            sp[-1] = truth(sp[-1]) != 0 || truth(sp[0]) != 0 ? 1.0 : 0.0;
            break;
        case op_ternary:
            sp -= 2;
            sp[-1] = std::fabs(sp[-1]) > 0 ? sp[0] : sp[1];
            break;
        case op_call0: {
            errno = 0;
            *sp++ = o->fn->f.f0();
            if (const int e = errno) report(errors_[o->b], env, e);
            break;
        }
        case op_call1: {
            errno = 0;
            sp[-1] = o->fn->f.f1(sp[-1]);
            if (const int e = errno) report(errors_[o->b], env, e);
            break;
        }
        case op_call2: {
            --sp;
            errno = 0;
            sp[-1] = o->fn->f.f2(sp[-1], sp[0]);
            if (const int e = errno) report(errors_[o->b], env, e);
            break;
        }
        case op_report: report(errors_[o->a], env, 0); break;
        case op_fail: report(errors_[o->a], env, 0); end_process(1);
        case op_trace: std::fprintf(stderr, trace_text[o->a], sp[-1]); break;
        case op_assign_trace: std::fprintf(stderr, "%s = %g\n", trace_names_[o->a].c_str(), sp[-1]); break;
        case op_end:
            if (end_verbose_ >= 0) env.verbose_error = end_verbose_;
            return;
        }
    }
}

void eval_program::report(const error_site& s, eval_env& env, int err)
{
    lexer lex;
    setup_lex(&lex);
    lex.program = text_.c_str();
    lex.pc = lex.program + s.pc;
    lex.last_sym = lex.program + s.last_sym;
    lex.last_last_sym = lex.program + s.last_last_sym;
    lex.verbose_error = s.verbose >= 0 ? s.verbose : env.verbose_error;
    const char* where = lex.program + s.where;
    switch (s.kind) {
    case error_site::lexical:
        if (s.fault == lex_fault::range) {
            errno = s.err;
            std::perror("getsym");
            print_error(s.line, &lex, where);
            return;
        }
        {
            lex_fault f;
            f.kind = s.fault;
            f.line = s.line;
            f.where = where;
            f.pc = lex.pc;
            f.ch = s.ch;
            f.name = s.text;
            report_fault(f, &lex);
        }
    case error_site::not_found:
        print_error(s.line, &lex, where);
        err_printf("variable/constant (%s) not found\n", s.text.c_str());
        break;
    case error_site::unexpected:
        print_error(s.line, &lex, where);
        err_printf("unexpected symbol %s (expecting %s)\n", s.text.c_str(), s.text2.c_str());
        break;
    case error_site::factor_syntax:
        print_error(s.line, &lex, where);
        err_printf("factor: space-indent on; syntax error (%s)\n", where);
        break;
    case error_site::statement:
        std::fprintf(stderr, "Expected \"%s\" or \"%s\", got \"%s\"\n", symbol[symbol_identifier],
                     symbol[symbol_semicolon], s.text.c_str());
        lex.verbose_error = 1;
        print_error(s.line, &lex, where);
        break;
    case error_site::unknown_function:
        print_error(s.line, &lex, where);
        err_printf("unknown function (%s())\n", s.text.c_str());
        break;
    case error_site::too_deep:
        print_error(s.line, &lex, where);
        err_printf("expression nested deeper than %d levels\n", max_nesting);
        break;
    case error_site::math_pow:
    case error_site::math_func:
        errno = err;
        std::perror(s.kind == error_site::math_pow ? "term" : "eval_func");
        print_error(s.line, &lex, where);
        return;
    }
    end_process(1);
}

void eval_program::mark_new_columns(char* flag, size_t n, size_t newn) const
{
    for (size_t i = 0; i < newn; ++i) flag[n + i] = 1;
    for (const auto& [k, slot] : new_columns_) flag[n + k] = 0;
}

size_t eval_program::harvest_variables(double* values, size_t n, eval_env& env) const
{
    if (debug_) debug_harvest(env);
    for (const auto& [k, slot] : new_columns_) values[n + k] = temps_[slot];
    return n + new_count_;
}

void eval_program::debug_harvest(eval_env& env) const
{
    // The variable list as it stands, newest entry first: names created by this run, the row's
    // r[k] (made before the run), then the g-names of earlier runs.
    auto show = [](const char* id, double value) {
        // ret is what the reading of the name as "r[%5u]" returns: 1, 0, or EOF for the name "r"
        unsigned idx = 0;
        const int ret = std::sscanf(id, "r[%5u]", &idx);
        dbg_printf("%s %g ret=%d idx=%u\n", id, value, ret, idx);
        dbg_printf("ret=%d idx=%u\n", ret, idx);
        if (ret != 1) dbg_printf("ret=%d idx=%u\n", ret, idx);
    };
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        if (it->first)
            show(env.global_names[it->second].c_str(), env.global_values[it->second]);
        else
            show(temp_names_[it->second].c_str(), temps_[it->second]);
    }
    if (ctx_ != eval_context::prolog) {
        char name[32];
        for (size_t k = env.n; k >= 1; --k) {
            std::snprintf(name, sizeof name, "r[%u]", static_cast<unsigned>(k));
            show(name, env.r[k - 1]);
        }
    }
    std::vector<uint32_t> old;
    for (uint32_t g = 0; g < env.global_names.size(); ++g)
        if (env.global_defined[g] && env.global_created[g] <= run_start_) old.push_back(g);
    std::sort(old.begin(), old.end(),
              [&](uint32_t a, uint32_t b) { return env.global_created[a] > env.global_created[b]; });
    for (uint32_t g : old) show(env.global_names[g].c_str(), env.global_values[g]);
}
