// The row tests of the threshold and range filters: non-zero means the row is removed.
#pragma once
#include "operations.h"

struct logicals {
    int (*func)(double v1, double v2);  // v1 the value, v2 the threshold
    const char* d1;
    const char* d2;
    const char* sd1;
    const char* sd2;
};
struct ranges {
    int (*func)(double lower_end, double upper_end, double value);
    const char* d1;
    const char* d2;
    const char* sd1;
    const char* sd2;
};

// Indexed by LOGICALS and RANGES.
extern const logicals l_f[6];
extern const ranges r_f[2];

// Only eq and neq allow the tolerance --fuzz; the others compare exactly. A NaN makes gt, lt and eq
// false and geq, leq and neq true.
int gt(double v1, double v2);
int lt(double v1, double v2);
int eq(double v1, double v2);
int geq(double v1, double v2);
int leq(double v1, double v2);
int neq(double v1, double v2);
// The half-open interval [lower_end, upper_end).
int in_range(double lower_end, double upper_end, double value);
int out_of_range(double lower_end, double upper_end, double value);
