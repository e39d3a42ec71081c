// The --eval language, first layer: the lexer. It scans one token at a time from the program
// text and reports what it meets on the way (see my_eval.h for the layers).
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "my_eval.h"
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

// A number: what the C library's conversion reads from the cursor on.
void scan_number(lexer* lex, lex_fault* fault)
{
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
}

// Takes the bracket under the cursor into the name at position i; false (with the fault set)
// when the name has no room left for it.
bool take_bracket(lexer* lex, lex_fault* fault, int& i)
{
    if (i >= idname_len) {
        set_fault(fault, lex_fault::long_identifier, __LINE__, lex);
        fault->name = lex->idname;
        return false;
    }
    lex->idname[i++] = *lex->pc++;
    lex->idname[i] = '\0';
    return true;
}

// The index of an indexed name: the cursor stands at the "[" that follows the first `length`
// characters of the name. The brackets and the digits become part of the name, which stays
// within idname_len characters in all.
void scan_index(lexer* lex, lex_fault* fault, int length)
{
    int i = length;
    if (!take_bracket(lex, fault, i)) return;
    if (!is_digit(*lex->pc)) {
        set_fault(fault, lex_fault::numeric_index, __LINE__, lex);
        return;
    }
    while (i < idname_len && is_digit(*lex->pc)) lex->idname[i++] = *lex->pc++;
    lex->idname[i] = '\0';
    if (*lex->pc == ']') {
        if (take_bracket(lex, fault, i)) lex->sym = symbol_identifier;
        return;
    }
    set_fault(fault, lex_fault::rsqparen, __LINE__, lex);
    fault->ch = static_cast<unsigned char>(*lex->pc);
}

// A name of at most idname_len characters; further name characters begin the next token. Right
// after it, "(" makes it a function and "[" an indexed name.
void scan_name(lexer* lex, lex_fault* fault)
{
    int i = 0;
    while (i < idname_len && is_name_char(*lex->pc)) lex->idname[i++] = *lex->pc++;
    lex->idname[i] = '\0';
    if (*lex->pc == '(') {
        ++lex->pc;
        lex->sym = symbol_function;
        return;
    }
    if (*lex->pc == '[') {
        scan_index(lex, fault, i);
        return;
    }
    lex->sym = symbol_identifier;
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
            scan_number(lex, fault);
            return;
        }
        if (c == '_' || is_alpha(c)) {
            scan_name(lex, fault);
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
        // Strictly, diagnostics stay out of the data on standard output.
        std::fputs("SyntaxError\n", settings.strict ? stderr : stdout);
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

void report_fault(const lex_fault& f, lexer* lex)
{
    switch (f.kind) {
    case lex_fault::unknown_symbol: err_printf("unknown symbol %d (%c) at %s\n", f.ch, f.ch, f.where); break;
    case lex_fault::invalid_number: err_printf("invalid number %s\n", f.where); break;
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
