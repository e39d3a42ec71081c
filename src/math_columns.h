// The named functions of --math and their guarded forms.
#pragma once

using math_function = double (*)(double);

// The function named `name` (exact, case-sensitive); any unknown name gives the identity `nop`.
math_function find_math_function(const char* name);

// Logarithms of zero or a negative number are fatal, or with --special-log the logarithm of 1e-100.
double mylog(double x);
double mylog10(double x);
double mylog2(double x);
// Fatal for a negative argument.
double mysqrt(double x);
// pow(x, 1/3): a negative argument gives NaN.
double mysqrt3(double x);
// Fatal for zero (and NaN).
double inv(double x);
double square(double x);
double cube(double x);
double nop(double x);
