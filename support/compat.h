// Bounded string copy.
#pragma once
#include <cstddef>

// Copies at most bufsize-1 characters of s into d and terminates d (nothing is written when
// bufsize is 0). Returns the length of s: a result of bufsize or more means the copy was cut.
size_t strlcpy(char* d, const char* s, size_t bufsize);
