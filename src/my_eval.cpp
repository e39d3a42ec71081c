// The --eval language: the lexer, the grammar (compiled once per context into stack-machine
// steps) and the run of those steps.
#include "my_eval.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "utils.h"

const char* const symbol[VERRYLASTXXYYZZ] = {
    "symbol_none",
    "symbol_space",
    "symbol_identifier \"variable\"",
    "symbol_number",
    "symbol_lparen '(' ",
    "symbol_rparen ')' ",
    "symbol_times '*' ",
    "symbol_slash '/' ",
    "symbol_plus '+' ",
    "symbol_minus '-' ",
    "symbol_equal '==' ",
    "symbol_not_equal '!=' ",
    "symbol_less '<' ",
    "symbol_less_equal '<=' ",
    "symbol_greater '>' ",
    "symbol_greater_equal '>=' ",
    "symbol_semicolon ';' ",
    "symbol_colon ':' ",
    "symbol_question '?' ",
    "symbol_assign '=' ",
    "symbol_constsym",
    "symbol_comma ',' ",
    "symbol_mod '%' or '\\' ",
    "symbol_raised_to '^' or '**' ",
    "symbol_function",
    "symbol_period '.' ",
    "symbol_logic_or '||' ",
    "symbol_logic_and '&&' ",
    "symbol_lsqparen '[' ",
    "symbol_rsqparen ']' ",
};

// ---- Lexer -----------------------------------------------------------------------------------------

namespace {
// Character classes of the "C" locale.
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_name_char(char c) { return is_alpha(c) || is_digit(c) || c == '_'; }

Symbol pair_symbol(char c, char c2)
{
    switch (c) {
    case '=': return c2 == '=' ? symbol_equal : symbol_none;
    case '!': return c2 == '=' ? symbol_not_equal : symbol_none;
    case '<': return c2 == '>' ? symbol_not_equal : c2 == '=' ? symbol_less_equal : symbol_none;
    case '>': return c2 == '=' ? symbol_greater_equal : symbol_none;
    case ':': return c2 == '=' ? symbol_assign : symbol_none;
    case '&': return c2 == '&' ? symbol_logic_and : symbol_none;
    case '|': return c2 == '|' ? symbol_logic_or : symbol_none;
    case '*': return c2 == '*' ? symbol_raised_to : symbol_none;
    default: return symbol_none;
    }
}

Symbol single_symbol(char c)
{
    switch (c) {
    case '(': return symbol_lparen;
    case ')': return symbol_rparen;
    case '*': return symbol_times;
    case '/': return symbol_slash;
    case '+': return symbol_plus;
    case '-': return symbol_minus;
    case ',': return symbol_comma;
    case ':': return symbol_colon;
    case ';': return symbol_semicolon;
    case '<': return symbol_less;
    case '=': return symbol_assign;
    case '>': return symbol_greater;
    case '?': return symbol_question;
    case '[': return symbol_lsqparen;
    case ']': return symbol_rsqparen;
    case '^': return symbol_raised_to;
    case '%': return symbol_mod;
    case '\\': return symbol_mod;
    default: return symbol_none;
    }
}

void set_fault(lex_fault* fault, lex_fault::kind_t kind, int line, const lexer* lex)
{
    fault->kind = kind;
    fault->line = line;
    fault->where = lex->pc;
    fault->pc = lex->pc;
}
}  // namespace

void setup_lex(lexer* lex)
{
    lex->num = 0;
    lex->sym = symbol_none;
    lex->verbose_error = 0;
    lex->pc = nullptr;
    lex->program = nullptr;
    lex->last_sym = nullptr;
    lex->last_last_sym = nullptr;
    std::memset(lex->idname, 0, sizeof lex->idname);
}

void scan_token(lexer* lex, lex_fault* fault)
{
    fault->kind = lex_fault::none;
    lex->idname[0] = '\0';
    while (is_space(*lex->pc)) ++lex->pc;
    lex->last_last_sym = lex->last_sym;
    lex->last_sym = lex->pc;

    for (;;) {
        const char c = *lex->pc;
        if (c == '\0') {
            lex->sym = symbol_period;
            return;
        }
        const char c2 = lex->pc[1];
        if (c == '#' && (c2 == '!' || c2 == '?')) {
            lex->verbose_error = c2 == '?';
            lex->sym = symbol_space;
            lex->pc += 2;
            continue;
        }
        if (const Symbol s = pair_symbol(c, c2); s != symbol_none) {
            lex->sym = s;
            lex->pc += 2;
            return;
        }
        if (is_space(c)) {
            lex->sym = symbol_space;
            ++lex->pc;
            continue;
        }
        if (const Symbol s = single_symbol(c); s != symbol_none) {
            lex->sym = s;
            ++lex->pc;
            return;
        }
        if (is_digit(c) || (c == '.' && is_digit(c2))) {
            errno = 0;
            char* end = nullptr;
            lex->num = std::strtod(lex->pc, &end);
            if (errno) {
                set_fault(fault, lex_fault::range, __LINE__, lex);
                fault->err = errno;
            }
            if (end == lex->pc) {
                set_fault(fault, lex_fault::invalid_number, __LINE__, lex);
                return;
            }
            lex->pc = end;
            lex->sym = symbol_number;
            return;
        }
        if (c == '_' || is_alpha(c)) {
            int i = 0;
            while (i < idname_len && is_name_char(*lex->pc)) lex->idname[i++] = *lex->pc++;
            lex->idname[i] = '\0';
            if (*lex->pc == '(') {
                ++lex->pc;
                lex->sym = symbol_function;
                return;
            }
            if (*lex->pc == '[') {
                if (i >= idname_len) {
                    set_fault(fault, lex_fault::long_identifier, __LINE__, lex);
                    fault->name = lex->idname;
                    return;
                }
                lex->idname[i++] = *lex->pc++;
                lex->idname[i] = '\0';
                if (!is_digit(*lex->pc)) {
                    set_fault(fault, lex_fault::numeric_index, __LINE__, lex);
                    return;
                }
                while (i < idname_len && is_digit(*lex->pc)) lex->idname[i++] = *lex->pc++;
                lex->idname[i] = '\0';
                if (*lex->pc == ']') {
                    if (i >= idname_len) {
                        set_fault(fault, lex_fault::long_identifier, __LINE__, lex);
                        fault->name = lex->idname;
                        return;
                    }
                    lex->idname[i++] = *lex->pc++;
                    lex->idname[i] = '\0';
                    lex->sym = symbol_identifier;
                    return;
                }
                set_fault(fault, lex_fault::rsqparen, __LINE__, lex);
                fault->ch = static_cast<unsigned char>(*lex->pc);
                return;
            }
            lex->sym = symbol_identifier;
            return;
        }
        // Anything else is skipped only behind a "#?" or "#!" marker of this same scan.
        if (lex->sym == symbol_space) {
            ++lex->pc;
            continue;
        }
        set_fault(fault, lex_fault::unknown_symbol, __LINE__, lex);
        fault->ch = static_cast<unsigned char>(c);
        return;
    }
}

void print_error(int line, lexer* lex, const char* where)
{
    if (!lex->verbose_error) {
        std::fputs("SyntaxError\n", stdout);
        end_process(1);
    }
    const char* program = lex->program;
    const size_t len = std::strlen(program);
    const size_t at = static_cast<size_t>(where - program);
    const size_t start = at > 10 ? at - 10 : 0;
    for (size_t i = start; i < at + 10 && i < len; ++i) std::fputc(program[i], stderr);
    std::fputc('\n', stderr);
    size_t i = start;
    for (; i < at && i < len; ++i) std::fputc(is_space(program[i]) ? program[i] : ' ', stderr);
    if (i == at) std::fputc('^', stderr);
    std::fputc('\n', stderr);
    std::fprintf(stderr, "program=%p\nline=%d\nwhere=%ld\n", static_cast<const void*>(program), line,
                 static_cast<long>(at));
    std::fprintf(stderr, "lex->pc=%ld\n", static_cast<long>(lex->pc - program));
    std::fprintf(stderr, "lex->last_sym=%ld\n", static_cast<long>(lex->last_sym - program));
    std::fprintf(stderr, "lex->last_last_sym=%ld\n", static_cast<long>(lex->last_last_sym - program));
}

namespace {
[[noreturn]] void report_fault(const lex_fault& f, lexer* lex)
{
    switch (f.kind) {
    case lex_fault::unknown_symbol:
        err_printf("unknown symbol %d (%c) at %s\n", f.ch, f.ch, f.where);
        break;
    case lex_fault::invalid_number:
        err_printf("invalid number %s\n", f.where);
        break;
    case lex_fault::long_identifier:
        print_error(f.line, lex, f.where);
        err_printf("to long identifier (%s)\n", f.name.c_str());
        break;
    case lex_fault::numeric_index:
        print_error(f.line, lex, f.where);
        err_printf("expecting numeric index\n");
        break;
    default:
        print_error(f.line, lex, f.where);
        err_printf("unexpected symbol '%c' (expecting %s)\n", f.ch, symbol[symbol_rsqparen]);
        break;
    }
    end_process(1);
}
}  // namespace

void getsym(lexer* lex)
{
    lex_fault f;
    scan_token(lex, &f);
    if (f.kind == lex_fault::none) return;
    if (f.kind == lex_fault::range) {
        const char* resume = lex->pc;
        lex->pc = f.pc;
        errno = f.err;
        std::perror("getsym");
        print_error(f.line, lex, f.where);
        lex->pc = resume;
        return;
    }
    lex->pc = f.pc;
    report_fault(f, lex);
}

// ---- Compiler ---------------------------------------------------------------------------------------

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
            emit(s == symbol_times ? eval_program::op_mul : s == symbol_slash ? eval_program::op_div : eval_program::op_mod,
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
        case symbol_identifier:
            identifier();
            return;
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
        case symbol_function:
            eval_func();
            return;
        default:
            fail(site(error_site::factor_syntax, __LINE__, lex_.pc - 1));
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

// ---- Programs ---------------------------------------------------------------------------------------

eval_program::eval_program(std::string text, eval_context ctx, size_t n, eval_env& env, bool debug)
    : text_(std::move(text)), ctx_(ctx), debug_(debug)
{
    eval_compiler(*this, ctx, n, env, debug).compile();
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
        if (it->first) show(env.global_names[it->second].c_str(), env.global_values[it->second]);
        else show(temp_names_[it->second].c_str(), temps_[it->second]);
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

namespace {
const char* const trace_text[] = {
    "ternary returns %g\n", "logical_or returns %g\n", "logical_and returns %g\n", "relationals_eq returns %g\n",
    "relationals returns %g\n", "plus_minus returns %g\n", "term returns %g\n", "eval_func returns %g\n",
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
        case op_add: --sp; sp[-1] = sp[-1] + sp[0]; break;
        case op_sub: --sp; sp[-1] = sp[-1] - sp[0]; break;
        case op_mul: --sp; sp[-1] = sp[-1] * sp[0]; break;
        case op_div: --sp; sp[-1] = sp[-1] / sp[0]; break;
        case op_mod: --sp; sp[-1] = std::fmod(sp[-1], sp[0]); break;
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
        case op_lt: --sp; sp[-1] = sp[-1] < sp[0] ? 1.0 : 0.0; break;
        case op_le: --sp; sp[-1] = sp[-1] <= sp[0] ? 1.0 : 0.0; break;
        case op_gt: --sp; sp[-1] = sp[-1] > sp[0] ? 1.0 : 0.0; break;
        case op_ge: --sp; sp[-1] = sp[-1] >= sp[0] ? 1.0 : 0.0; break;
        case op_and: --sp; sp[-1] = truth(sp[-1]) != 0 && truth(sp[0]) != 0 ? 1.0 : 0.0; break;
        case op_or: --sp; sp[-1] = truth(sp[-1]) != 0 || truth(sp[0]) != 0 ? 1.0 : 0.0; break;
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
