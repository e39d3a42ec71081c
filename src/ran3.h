// The one uniform random generator of the program: the subtractive method, state word in
// settings.idum (noise, shuffle and the random split all draw from it).
#pragma once

// Returns a value in [0, 1] as single precision. A negative *local_idum (or the first call)
// (re)initialises the table from it and sets *local_idum to 1.
float ran3(long* local_idum);
