// Names of the --eval language: the built-in functions and constants, the listings, and the
// helpers that read indexed names.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

#include "my_eval.h"

// ---- Functions defined by the system ---------------------------------------------------------------

double factorial(double m)
{
    // The argument is truncated toward zero as a 32-bit integer would take it; beyond that range
    // the result is what the product would approach (infinity, or 1 for large negatives).
    if (std::isnan(m)) return m;
    if (m >= 2147483648.0) return HUGE_VAL;
    if (m < -2147483648.0) return 1.0;
    const long n = static_cast<long>(m);
    double result = 1.0;
    for (long i = 2; i <= n && !std::isinf(result); ++i) result *= static_cast<double>(i);
    return result;
}

double sgn(double m)
{
    if (m < 0) return -1.0;
    if (m > 0) return 1.0;
    return 0.0;
}

double intf(double m)
{
    // Inside the 32-bit range this is the integer conversion; outside it the value is truncated
    // all the same rather than wrapped or clamped.
    if (m > -2147483649.0 && m < 2147483648.0) return static_cast<double>(static_cast<int32_t>(m));
    return std::trunc(m);
}

double my_trunc(double m)
{
    double ipart;
    std::modf(m, &ipart);
    return ipart;
}

double fract(double m)
{
    double ipart;
    return std::modf(m, &ipart);
}

double my_acosh(double x) { return std::log(x + std::sqrt(x - 1) * std::sqrt(x + 1)); }
double my_asinh(double x) { return std::log(x + std::sqrt(x * x + 1)); }
double my_atanh(double x) { return 0.5 * std::log((1 + x) / (1 - x)); }

namespace {
// The maths library's functions, wrapped so the table holds plain function pointers.
double f_fabs(double x) { return std::fabs(x); }
double f_acos(double x) { return std::acos(x); }
double f_asin(double x) { return std::asin(x); }
double f_atan(double x) { return std::atan(x); }
double f_atan2(double x, double y) { return std::atan2(x, y); }
double f_ceil(double x) { return std::ceil(x); }
double f_cos(double x) { return std::cos(x); }
double f_cosh(double x) { return std::cosh(x); }
double f_exp(double x) { return std::exp(x); }
double f_floor(double x) { return std::floor(x); }
double f_fmod(double x, double y) { return std::fmod(x, y); }
double f_log(double x) { return std::log(x); }
double f_log10(double x) { return std::log10(x); }
double f_pow(double x, double y) { return std::pow(x, y); }
double f_round(double x) { return std::round(x); }
double f_sin(double x) { return std::sin(x); }
double f_sinh(double x) { return std::sinh(x); }
double f_sqrt(double x) { return std::sqrt(x); }
double f_tan(double x) { return std::tan(x); }
double f_tanh(double x) { return std::tanh(x); }

function one(const char* name, double (*f)(double), const char* description)
{
    function r{name, ARGS1, {}, description};
    r.f.f1 = f;
    return r;
}
function two(const char* name, double (*f)(double, double), const char* description)
{
    function r{name, ARGS2, {}, description};
    r.f.f2 = f;
    return r;
}
}  // namespace

// Sorted by name in strcmp order: lookup_func bisects.
const function functions[] = {
    one("abs", f_fabs, "absolute value"),
    one("acos", f_acos, "arccosine, returns radians"),
    one("acosh", my_acosh, "inverse hyperbolic cosine"),
    one("asin", f_asin, "arcsine, returns radians"),
    one("asinh", my_asinh, "inverse hyperbolic sine"),
    one("atan", f_atan, "arctangent, returns radians"),
    two("atan2", f_atan2, "arctangent of x/y, returns radians"),
    one("atanh", my_atanh, "inverse hyperbolic tangent"),
    one("ceil", f_ceil, "nearest larger integer"),
    one("cos", f_cos, "cosine"),
    one("cosh", f_cosh, "hyperbolic cosine"),
    one("exp", f_exp, "e raised to the power of x"),
    one("fabs", f_fabs, "return the absolute value"),
    one("fact", factorial, "x!"),
    one("floor", f_floor, "nearest lower integer"),
    two("fmod", f_fmod, "remainder of x/y"),
    one("frac", fract, "fractional part of x"),
    one("int", intf, "int"),
    one("ln", f_log, "natural logaritm (e based)"),
    one("log", f_log10, "10th logarithm (10 based)"),
    two("pow", f_pow, "x raised to the power of y"),
    one("round", f_round, "round"),
    one("sgn", sgn, "-1 if x<0, 1 if x>0, 0 if x=0"),
    one("sin", f_sin, "sine"),
    one("sinh", f_sinh, "hyperbolic sine"),
    one("sqrt", f_sqrt, "squareroot"),
    one("tan", f_tan, "tangent"),
    one("tanh", f_tanh, "hyperbolic tangent"),
    one("trunc", my_trunc, "integral part of x"),
};
const size_t functions_count = sizeof functions / sizeof functions[0];

const function* lookup_func(const char* name)
{
    size_t lo = 0, hi = functions_count;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        const int c = std::strcmp(name, functions[mid].funcname);
        if (c == 0) return &functions[mid];
        if (c < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return nullptr;
}

const variable2 fixed_constants[] = {
    {"_c", 299792458.0, "Speed of light"},
    {"_e", 2.718281828459045, "Base of the natural logarithm"},
    {"_pi", 3.141592653589793, "PI I.e. 3.1415927"},
};
const size_t fixed_constants_count = sizeof fixed_constants / sizeof fixed_constants[0];

const variable2* lookup_fixed_constant(const char* id)
{
    for (const auto& c : fixed_constants)
        if (std::strcmp(c.id, id) == 0) return &c;
    return nullptr;
}

// ---- Listings --------------------------------------------------------------------------------------

void print_flist(FILE* f)
{
    for (size_t i = 0; i < functions_count; ++i) {
        const function& fn = functions[i];
        std::string text = fn.funcname;
        text += '(';
        const char first = static_cast<int>(fn.numargs) < 4 ? 'x' : 'a';
        for (int a = 0; a < fn.numargs && a < 26; ++a) {
            if (a) text += ',';
            text += static_cast<char>(first + a);
        }
        text += ')';
        std::fprintf(f, "%-12s %s\n", text.c_str(), fn.description);
    }
}

static void print_constant(const variable2& c, FILE* f) { std::fprintf(f, "%-12s %s\n", c.id, c.description); }

void print_clist(FILE* f)
{
    for (const auto& c : fixed_constants) print_constant(c, f);
}

void print_oplist(FILE* f)
{
    std::fputs(
        "Unary operators:\n"
        "\t+ -\n"
        "\n"
        "Binary operators: (in order of precedence\n"
        "\t^ **\n"
        "\t* / % \\ \n"
        "\t+ -\n"
        "\t< <= => >\n"
        "\t== != <>\n"
        "\t&&\n"
        "\t||\n"
        "\n"
        "Tertinary operators:\n"
        "\t?:\n",
        f);
}

// ---- Indexed names ------------------------------------------------------------------------------------

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

size_t row_name_index(const char* name, char prefix, size_t n)
{
    if (name[0] != prefix || name[1] != '[' || !is_digit(name[2]) || name[2] == '0') return 0;
    size_t k = 0;
    const char* p = name + 2;
    for (; is_digit(*p); ++p) {
        if (k > (static_cast<size_t>(-1) - 9) / 10) return 0;
        k = k * 10 + static_cast<size_t>(*p - '0');
    }
    if (p[0] != ']' || p[1] != '\0') return 0;
    return k >= 1 && k <= n ? k : 0;
}

bool scan_indexed(const char* name, char prefix, unsigned* k)
{
    // The "X[%5u]" reading: what follows the first five digits does not matter.
    if (name[0] != prefix || name[1] != '[' || !is_digit(name[2])) return false;
    unsigned v = 0;
    const char* p = name + 2;
    for (int i = 0; i < 5 && is_digit(*p); ++i, ++p) v = v * 10 + static_cast<unsigned>(*p - '0');
    *k = v;
    return true;
}

uint32_t eval_env::global_slot(const std::string& name)
{
    auto it = global_slots.find(name);
    if (it != global_slots.end()) return it->second;
    const auto slot = static_cast<uint32_t>(global_names.size());
    global_names.push_back(name);
    global_values.push_back(0.0);
    global_defined.push_back(0);
    global_created.push_back(0);
    global_slots.emplace(name, slot);
    return slot;
}
