// Apply a named mathematical function to the selected columns, row by row.
#include "math_columns.h"

#include <cmath>
#include <cstring>
#include <string>

#include "frame.h"
#include "operations.h"
#include "utils.h"

namespace {

constexpr double LN_10 = 2.302585092994046;
constexpr double LN_2 = 0.6931471805599453;

// Written out so that every guarded logarithm stops with the same words.
[[noreturn]] void bad_logarithm()
{
    error("Logarithm taken of zero or negative number\nSelect --special-log to replace offenders by log(1e-100).\n");
}

struct named_function {
    const char* name;
    math_function func;
};

// Searched from the top; the first exact match wins.
const named_function math_functions[] = {
    {"nop", nop},
    {"fabs", [](double x) { return std::fabs(x); }},
    {"cos", [](double x) { return std::cos(x); }},
    {"cosh", [](double x) { return std::cosh(x); }},
    {"sin", [](double x) { return std::sin(x); }},
    {"sinh", [](double x) { return std::sinh(x); }},
    {"ln", mylog},
    {"log", mylog10},
    {"log10", mylog10},
    {"log2", mylog2},
    {"acos", [](double x) { return std::acos(x); }},
    {"asin", [](double x) { return std::asin(x); }},
    {"tan", [](double x) { return std::tan(x); }},
    {"atan", [](double x) { return std::atan(x); }},
    {"ceil", [](double x) { return std::ceil(x); }},
    {"floor", [](double x) { return std::floor(x); }},
    {"inv", inv},
    {"x2", square},
    {"x3", cube},
    {"sqrt", mysqrt},
    {"sqrt3", mysqrt3},
};

}  // namespace

// A NaN is not <= 0: it reaches the logarithm and stays NaN.
double mylog(double x)
{
    if (x <= 0) {
        if (!settings.my_special_log) bad_logarithm();
        return -230.25850929940458;  // ln(1e-100)
    }
    return std::log(x);
}

double mylog10(double x)
{
    if (x <= 0) {
        if (!settings.my_special_log) bad_logarithm();
        return -100.0;
    }
    return std::log(x) / LN_10;
}

double mylog2(double x)
{
    if (x <= 0) {
        if (!settings.my_special_log) bad_logarithm();
        return -332.19280948873626;
    }
    return std::log(x) / LN_2;
}

double mysqrt(double x)
{
    if (x < 0) error("Square root of a negative number\n");
    return std::sqrt(x);
}

double mysqrt3(double x) { return std::pow(x, 1.0 / 3.0); }

double inv(double x)
{
    if (!(std::fabs(x) > 0)) error("Division by zero\n");
    return 1.0 / x;
}

double square(double x) { return x * x; }
double cube(double x) { return x * (x * x); }
double nop(double x) { return x; }

math_function find_math_function(const char* name)
{
    for (const auto& f : math_functions)
        if (std::strcmp(f.name, name) == 0) return f.func;
    return nop;
}

void math_columns(const char* namein, const char* nameout, const char* flagfile, const char* function, size_t* vars,
                  size_t* rows)
{
    if (!function) error("no funtion given");
    const math_function f = find_math_function(function);
    announce("Vorn: Apply %s ", "Apply function %s to selected columns\n", function);
    if (settings.strict && f == nop && std::strcmp(function, "nop") != 0) {
        std::string names;
        for (const auto& m : math_functions) names.append(names.empty() ? "" : ", ").append(m.name);
        strict_error({namein}, 0, function, "unknown function for --math", "the functions are " + names);
    }

    // Unselected columns never reach the function, so they cannot stop the run.
    stream_rows(namein, nameout, {.flagfile = flagfile}, vars, rows, marked_columns::written,
                [f](double* row, const flag_array& flag, size_t antal) {
                    for (size_t i = 0; i < antal; ++i)
                        if (flag[i]) row[i] = f(row[i]);
                });
}
