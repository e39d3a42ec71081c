// The --eval language, second layer: the compiler. It parses a program text with the lexer the
// way evaluation walks it and emits the steps that the run (my_eval_run.cpp) executes (see
// my_eval.h for the layers).
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "my_eval.h"

// Parses a program the way evaluation would walk it, emitting one step per evaluation step.
class eval_compiler {
public:
    eval_compiler(eval_program& prog, eval_context ctx, size_t n, eval_env& env, bool debug)
        : p_(prog), ctx_(ctx), n_(n), env_(env), debug_(debug)
    {
    }

    void compile()
    {
        setup_lex(&lex_);
        lex_.verbose_error = -1;
        try {
            program();
            p_.end_verbose_ = lex_.verbose_error;
        } catch (const stop&) {
        }
        emit(eval_program::op_end, 0);
        p_.stack_.assign(max_sp_ + 1, 0.0);
        p_.temps_.assign(p_.temp_names_.size(), 0.0);
        plan_harvest();
    }

private:
    struct stop {};  // the program cannot get past the step just emitted
    enum class storage_kind { temp, global, r };
    struct storage {
        storage_kind kind;
        uint32_t slot;
    };
    enum trace_level { t_ternary, t_or, t_and, t_eq, t_rel, t_plus_minus, t_term, t_func };

    eval_program& p_;
    lexer lex_{};
    eval_context ctx_;
    size_t n_;
    eval_env& env_;
    bool debug_;
    int depth_ = 0;
    size_t sp_ = 0, max_sp_ = 0;
    std::unordered_map<std::string, storage> assigned_;
    std::unordered_map<std::string, uint32_t> temp_slots_;

    // The helpers below are kept out of line: the recursive descent then carries only small frames,
    // so deeply nested expressions do not exhaust the stack (sanitizer builds above all).
    [[gnu::noinline]] eval_program::op& emit(eval_program::op_code code, int stack_change, uint32_t a = 0)
    {
        eval_program::op o;
        o.code = code;
        o.a = a;
        p_.code_.push_back(o);
        sp_ = static_cast<size_t>(static_cast<long>(sp_) + stack_change);
        if (sp_ > max_sp_) max_sp_ = sp_;
        return p_.code_.back();
    }

    long offset(const char* p) const { return p ? static_cast<long>(p - lex_.program) : 0; }

    [[gnu::noinline]] uint32_t site(error_site::kind_t kind, int line, const char* where)
    {
        error_site s;
        s.kind = kind;
        s.line = line;
        s.where = offset(where);
        s.pc = offset(lex_.pc);
        s.last_sym = offset(lex_.last_sym);
        s.last_last_sym = offset(lex_.last_last_sym);
        s.verbose = lex_.verbose_error;
        p_.errors_.push_back(std::move(s));
        return static_cast<uint32_t>(p_.errors_.size() - 1);
    }

    [[noreturn, gnu::noinline]] void fail(uint32_t site_index)
    {
        emit(eval_program::op_fail, 0, site_index);
        throw stop{};
    }

    [[gnu::noinline]] void trace(trace_level level)
    {
        if (debug_) emit(eval_program::op_trace, 0, level);
    }

    // getsym: what the scan meets on the way becomes a step at this point of the program.
    [[gnu::noinline]] void next()
    {
        lex_fault f;
        scan_token(&lex_, &f);
        if (f.kind == lex_fault::none) return;
        const char* resume = lex_.pc;
        lex_.pc = f.pc;
        const uint32_t s = site(error_site::lexical, f.line, f.where);
        lex_.pc = resume;
        error_site& e = p_.errors_[s];
        e.fault = f.kind;
        e.err = f.err;
        e.ch = f.ch;
        e.text = f.name;
        if (f.kind != lex_fault::range) fail(s);
        emit(eval_program::op_report, 0, s);
    }

    [[gnu::noinline]] void expect(Symbol s)
    {
        if (lex_.sym != s) {
            const uint32_t e = site(error_site::unexpected, __LINE__, lex_.pc - 1);
            p_.errors_[e].text = symbol[lex_.sym];
            p_.errors_[e].text2 = symbol[s];
            fail(e);
        }
        next();
    }

    void program()
    {
        lex_.pc = lex_.program = p_.text_.c_str();
        next();
        for (;;) {
            statement();
            if (lex_.sym == symbol_period) {
                expect(symbol_period);
                return;
            }
        }
    }

    void statement()
    {
        if (lex_.sym == symbol_identifier) {
            const std::string name = lex_.idname;
            next();
            expect(symbol_assign);
            expression();
            expect(symbol_semicolon);
            store(name);
        } else if (lex_.sym == symbol_semicolon) {
            next();
        } else {
            const uint32_t e = site(error_site::statement, __LINE__, lex_.last_sym);
            p_.errors_[e].text = symbol[lex_.sym];
            fail(e);
        }
    }

    [[gnu::noinline]] void store(const std::string& name)
    {
        if (debug_) {
            p_.trace_names_.push_back(name);
            emit(eval_program::op_assign_trace, 0, static_cast<uint32_t>(p_.trace_names_.size() - 1));
        }
        if (auto it = assigned_.find(name); it != assigned_.end()) {
            emit_store(it->second, false);
            return;
        }
        storage where;
        // The harvest reads at most five digits of an r-index, so r[100000] and beyond never
        // reach the row: such names are plain temporaries once assigned.
        const size_t k = ctx_ != eval_context::prolog ? row_name_index(name.c_str(), 'r', n_) : 0;
        if (k && k <= 99999) {
            where = {storage_kind::r, static_cast<uint32_t>(k - 1)};
        } else if (is_global_name(name.c_str())) {
            where = {storage_kind::global, env_.global_slot(name)};
        } else {
            where = {storage_kind::temp, static_cast<uint32_t>(p_.temp_names_.size())};
            p_.temp_names_.push_back(name);
        }
        assigned_.emplace(name, where);
        emit_store(where, true);
    }

    void emit_store(const storage& where, bool first)
    {
        switch (where.kind) {
        case storage_kind::r: emit(eval_program::op_set_r, -1, where.slot); break;
        case storage_kind::global: emit(eval_program::op_set_global, -1, where.slot); break;
        case storage_kind::temp: emit(eval_program::op_set_temp, -1, where.slot).first = first; break;
        }
    }

    void expression()
    {
        if (lex_.sym == symbol_none) next();
        if (++depth_ > max_nesting) fail(site(error_site::too_deep, __LINE__, lex_.last_sym));
        logical_or();
        while (lex_.sym == symbol_question) {
            expect(symbol_question);
            logical_or();
            expect(symbol_colon);
            logical_or();
            emit(eval_program::op_ternary, -2);
        }
        trace(t_ternary);
        --depth_;
    }

    void logical_or()
    {
        logical_and();
        while (lex_.sym == symbol_logic_or) {
            next();
            logical_and();
            emit(eval_program::op_or, -1);
        }
        trace(t_or);
    }

    void logical_and()
    {
        relationals_eq();
        while (lex_.sym == symbol_logic_and) {
            next();
            relationals_eq();
            emit(eval_program::op_and, -1);
        }
        trace(t_and);
    }

    void relationals_eq()
    {
        relationals();
        while (lex_.sym == symbol_equal || lex_.sym == symbol_not_equal) {
            const Symbol s = lex_.sym;
            expect(s);
            relationals();
            emit(s == symbol_equal ? eval_program::op_eq : eval_program::op_ne, -1);
        }
        trace(t_eq);
    }

    void relationals()
    {
        plus_minus();
        for (;;) {
            eval_program::op_code code;
            switch (lex_.sym) {
            case symbol_less: code = eval_program::op_lt; break;
            case symbol_less_equal: code = eval_program::op_le; break;
            case symbol_greater: code = eval_program::op_gt; break;
            case symbol_greater_equal: code = eval_program::op_ge; break;
            default: trace(t_rel); return;
            }
            expect(lex_.sym);
            plus_minus();
            emit(code, -1);
        }
    }

    void plus_minus()
    {
        term();
        while (lex_.sym == symbol_plus || lex_.sym == symbol_minus) {
            const bool plus = lex_.sym == symbol_plus;
            next();
            term();
            emit(plus ? eval_program::op_add : eval_program::op_sub, -1);
        }
        trace(t_plus_minus);
    }

    void term()
    {
        factor();
        while (lex_.sym == symbol_raised_to) {
            next();
            factor();
            // the site is taken after the exponent: pc then stands past the token after it
            emit_pow();
        }
        while (lex_.sym == symbol_times || lex_.sym == symbol_slash || lex_.sym == symbol_mod) {
            const Symbol s = lex_.sym;
            next();
            factor();
            emit(s == symbol_times   ? eval_program::op_mul
                 : s == symbol_slash ? eval_program::op_div
                                     : eval_program::op_mod,
                 -1);
        }
        trace(t_term);
    }

    [[gnu::noinline]] void emit_pow()
    {
        const uint32_t e = site(error_site::math_pow, __LINE__, lex_.pc - 1);
        emit(eval_program::op_pow, -1, e);
    }

    void factor()
    {
        switch (lex_.sym) {
        case symbol_number: {
            const double v = lex_.num;
            next();
            emit(eval_program::op_num, 1).num = v;
            return;
        }
        case symbol_identifier: identifier(); return;
        case symbol_lparen:
            next();
            expression();
            expect(symbol_rparen);
            return;
        case symbol_plus:
            next();
            expression();
            return;
        case symbol_minus:
            next();
            expression();
            emit(eval_program::op_neg, 0);
            return;
        case symbol_function: eval_func(); return;
        default: fail(site(error_site::factor_syntax, __LINE__, lex_.pc - 1));
        }
    }

    // A name in an expression: read past it, then look it up.
    [[gnu::noinline]] void identifier()
    {
        const std::string name = lex_.idname;
        next();
        load(name);
    }

    // The head of a call: read the token after "(", then find the function.
    [[gnu::noinline]] const function* function_head()
    {
        const std::string name = lex_.idname;
        next();
        const function* fn = lookup_func(name.c_str());
        if (!fn) {
            const uint32_t e = site(error_site::unknown_function, __LINE__, lex_.last_last_sym);
            p_.errors_[e].text = name;
            fail(e);
        }
        return fn;
    }

    [[gnu::noinline]] void emit_call(eval_program::op_code code, int change, const function* fn)
    {
        const uint32_t e = site(error_site::math_func, __LINE__, lex_.pc - 1);
        eval_program::op& o = emit(code, change);
        o.fn = fn;
        o.b = e;
    }

    void eval_func()
    {
        const function* fn = function_head();
        eval_program::op_code code;
        int change;
        switch (fn->numargs) {
        case ARGS1:
            expression();
            expect(symbol_rparen);
            code = eval_program::op_call1;
            change = 0;
            break;
        case ARGS2:
            expression();
            expect(symbol_comma);
            expression();
            expect(symbol_rparen);
            code = eval_program::op_call2;
            change = -1;
            break;
        case ARGS0:
            expect(symbol_rparen);
            code = eval_program::op_call0;
            change = 1;
            break;
        default:
            // no row of the table has another count
            code = eval_program::op_call0;
            change = 1;
            break;
        }
        emit_call(code, change, fn);
        trace(t_func);
    }

    // Lookup order: the variables (assigned names, r[k], g-names), then the row's constants
    // (c[k], _line, p[k]), then the built-in constants.
    [[gnu::noinline]] void load(const std::string& name)
    {
        const char* id = name.c_str();
        if (auto it = assigned_.find(name); it != assigned_.end()) {
            switch (it->second.kind) {
            case storage_kind::r: emit(eval_program::op_r, 1, it->second.slot); break;
            case storage_kind::global: emit(eval_program::op_global, 1, it->second.slot); break;
            case storage_kind::temp: emit(eval_program::op_temp, 1, it->second.slot); break;
            }
            return;
        }
        if (is_global_name(id)) {
            // defined by an earlier run (prolog or previous row), or not at all
            const uint32_t e = not_found(name);
            emit(eval_program::op_global_checked, 1, env_.global_slot(name)).b = e;
            return;
        }
        if (ctx_ != eval_context::prolog) {
            if (size_t k = row_name_index(id, 'r', n_)) {
                emit(eval_program::op_r, 1, static_cast<uint32_t>(k - 1));
                return;
            }
        }
        if (ctx_ == eval_context::row) {
            if (size_t k = row_name_index(id, 'c', n_)) {
                emit(eval_program::op_c, 1, static_cast<uint32_t>(k - 1));
                return;
            }
            if (name == "_line") {
                emit(eval_program::op_line, 1);
                return;
            }
        }
        if (ctx_ != eval_context::prolog) {
            if (size_t k = row_name_index(id, 'p', n_)) {
                emit(eval_program::op_p, 1, static_cast<uint32_t>(k - 1));
                return;
            }
        }
        if (const variable2* c = lookup_fixed_constant(id)) {
            emit(eval_program::op_num, 1).num = c->value;
            return;
        }
        fail(not_found(name));
    }

    [[gnu::noinline]] uint32_t not_found(const std::string& name)
    {
        const uint32_t e = site(error_site::not_found, __LINE__, lex_.last_last_sym);
        p_.errors_[e].text = name;
        return e;
    }

    // The harvest of new columns: every distinct n[k] name (k < EVAL_NEW_VARS) counts; when
    // several names read as the same k, the one assigned first gives the value.
    void plan_harvest()
    {
        if (ctx_ == eval_context::prolog) return;
        std::vector<char> taken(EVAL_NEW_VARS, 0);
        for (uint32_t slot = 0; slot < p_.temp_names_.size(); ++slot) {
            unsigned k;
            if (!scan_indexed(p_.temp_names_[slot].c_str(), 'n', &k) || k >= EVAL_NEW_VARS) continue;
            ++p_.new_count_;
            if (!taken[k]) {
                taken[k] = 1;
                p_.new_columns_.emplace_back(k, slot);
            }
        }
    }
};

eval_program::eval_program(std::string text, eval_context ctx, size_t n, eval_env& env, bool debug)
    : text_(std::move(text)), ctx_(ctx), debug_(debug)
{
    eval_compiler(*this, ctx, n, env, debug).compile();
}
