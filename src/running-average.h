// The mode rules of the running average.
#pragma once
#include <cstddef>

#include "vorn_variables.h"

// Divisor of the modes that write one row per input row: the window length in pma_add_zeros,
// the rows read so far (at most the window length) in pma_reduce_n. Other modes are fatal.
size_t get_filtertaps(running_average_modes mode, size_t rows_read, size_t filtertaps);
// Position within the window, counted from its oldest row, of the row whose unselected values
// are written: the newest row in cma_reduce_other, the middle one (rounded up) otherwise.
size_t get_filterstart(running_average_modes mode, size_t filtertaps);
