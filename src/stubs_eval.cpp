// Placeholder for the expression language until its module lands.
#include "operations.h"
#include "evaluate.h"

void eval(const char*, const char*, const char*, const char*, const char*, const char*, size_t* vars, size_t* rows) { *vars = *rows = 0; }
void eval_examples(FILE*) {}
void eval_oplist(FILE*) {}
void eval_flist(FILE*) {}
void eval_clist(FILE*) {}
