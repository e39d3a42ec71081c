// Placeholders for the reordering, splitting, noise and difference operations until their modules land.
#include "operations.h"

void diff(const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void shift(const char*, const char*, const char*, long, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void add_noise(const char*, const char*, const char*, double, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void sortera(const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void shuffle(const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void splitfile(const char*, const char*, const char*, double, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void sum_vertical(const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void sum_horizontal(const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
