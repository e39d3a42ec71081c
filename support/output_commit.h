// Output files that become a run's result only when the run succeeds.
//
// An output opened here is taken back by a failure, whatever the failure is: a fatal error, a
// write that fails, or SIGINT, SIGTERM or SIGHUP.
// - A regular file, or a name that does not exist yet, is written to a new temporary file in the
//   same directory. commit_output puts it in place with one rename, so the name holds either its
//   old content or the whole result, never part of it; of two runs writing the same name, the
//   later to finish wins. The result keeps an existing file's permissions (and owner, where the
//   system allows); a new file gets those that creating it would have given. A symbolic link
//   stays a link: the result replaces the file it points to.
// - A regular file appended to (`append`) is written in place; taking it back cuts it back,
//   through the descriptor it was written through, to its length at opening.
// - Anything else (a device, a FIFO, a terminal, a file that is one of the standard streams) is
//   written as it is and cannot be taken back.
#pragma once
#include <cstdio>

// Opens name for writing (appending with `append`) as described above. Null, with errno set,
// when it cannot be opened: an existing file that cannot be written, a directory, a folder
// where no file can be made. The stream is fully buffered by the system's default; the caller may
// set its buffer.
FILE* open_output(const char* name, bool append);

// Closes a stream from open_output and makes what was written through it the result. 0, or the
// errno value of what failed (writing what was buffered, closing, putting the file in place);
// after a failure the output is taken back as by take_back_outputs.
int commit_output(FILE* stream);

// Takes back every output opened and not yet committed, naming each on `report` (null: no
// report). Their streams lose what they still buffer, so that nothing reaches the files as the
// process ends; the streams stay open for their owners to close.
void take_back_outputs(FILE* report);

// Closes a stream from open_output without making it the result: the output is taken back
// silently (an owner that goes away before the run has succeeded).
void discard_output(FILE* stream);
