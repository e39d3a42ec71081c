// The eval operation and its listings.
#pragma once
#include <cstdio>
#include <string>

// Copies `from` to `to`, rewriting the old names _c1, _g2, _n3, _p4, _r5 as c[1], g[2], n[3],
// p[4], r[5]; `to` needs room for twice the length of `from` plus one. Reports the deprecation
// once when a name was rewritten.
void translate(const char* from, char* to);
// The same, into a string.
std::string translate(const char* from);
// 1 when s begins with one of c, g, n, p, r followed by a decimal digit.
int is_special_array(const char* s);

void eval_examples(FILE* f);
void eval_oplist(FILE* f);
void eval_flist(FILE* f);
void eval_clist(FILE* f);
