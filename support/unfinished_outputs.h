// Output files that a run which fails must not leave behind looking like results. A file is
// held from the moment its content depends on the run succeeding until it is complete; the fatal
// path then removes every file still held, or, for a file the run appended to, cuts it back to
// the length it had before.
#pragma once
#include <cstdio>
#include <string>

// Holds the file `name`, written through `stream`. `length_before` is the length to cut it back
// to, or -1 to remove it.
void hold_unfinished(const std::string& name, FILE* stream, long long length_before);
// The stream of a held file is about to be closed; the file stays held.
void unfinished_stream_closing(FILE* stream);
// The file `name` is complete: a later failure leaves it alone.
void release_unfinished(const std::string& name);
// Removes or cuts back every file still held, naming each on `report`; what their streams still
// buffer is dropped, so that nothing reaches them as the process ends.
void undo_unfinished(FILE* report);
