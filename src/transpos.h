// The line parser of the whole-file reshaping operations (transpose, upside-down flip).
#pragma once
#include <cstddef>

// Reads `vars` numbers from the start of `line`, each from at most 16 characters after the
// white space before it (a longer number is split; its rest becomes the next value). Neither
// the skipped leading characters nor the input delimiter of the row reader apply. Positions
// for which no number can be read are set to 0.0. Returns the number of values read.
size_t parse_fields16(const char* line, double* var, size_t vars);

struct input_place;
// Strict mode: refuses a line that parse_fields16 would not read as the row reader does: a field
// longer than 16 characters, one that is not a whole number (a comma does not separate here), an
// overflow, or other than `vars` fields. Stores the values, which are those parse_fields16 reads.
void strict_fields16(const input_place& at, const char* line, double* var, size_t vars);
// Strict mode: refuses the settings the reshaping parser ignores (--input-delimiter, --skip-columns).
void strict_reshaping_settings(const char* namein);
