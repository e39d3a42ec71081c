// The order of the sort: every sort column maps a value to an unsigned key, and keys compare
// as the values are ordered.
#pragma once
#include <cstdint>

// Numbers in increasing order (decreasing when descending), minus zero equal to zero; every
// value that is not a number after all numbers, in either direction, and equal to the others.
uint64_t order_key(double value, bool descending);
