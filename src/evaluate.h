#pragma once
#include <cstdio>
void eval_examples(FILE* f);
void eval_oplist(FILE* f);
void eval_flist(FILE* f);
void eval_clist(FILE* f);
