// Placeholders for the column arithmetic and the smoothing and median filters until their modules land.
#include "operations.h"

void multiply_columns(const char*, const char*, const char*, double, int, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void add_columns(const char*, const char*, const char*, double, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void math_columns(const char*, const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void Logical(const char*, const char*, const char*, LOGICALS, double, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void Range(const char*, const char*, const char*, RANGES, double, double, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void filter(const char*, const char*, const char*, size_t, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void medianfilter(const char*, const char*, const char*, size_t, size_t* vars, size_t* rows) { *vars = *rows = 0; }
