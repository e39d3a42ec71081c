// The version block: the version line, the notice (two lines) and the contact line, always
// written with "%s\n" each.
#pragma once
#include <cstdio>

extern const char* const Version;
extern const char* const Notice;
extern const char* const Contact;

// Writes the version line, the notice and the contact line to out, each followed by a line end.
void print_version(FILE* out);
