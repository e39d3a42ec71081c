// Placeholders for noise, sort, shuffle, split and sums until their modules land.
#include "operations.h"

void add_noise(const char*, const char*, const char*, double, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void sortera(const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void shuffle(const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void splitfile(const char*, const char*, const char*, double, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void sum_vertical(const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void sum_horizontal(const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
