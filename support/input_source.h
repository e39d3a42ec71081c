// Inputs that can be read from their start as often as a caller needs.
//
// A regular file is read in place. Anything else -- a pipe, a FIFO, a character device, a
// process substitution, or standard input under the name "-" -- is copied once: in memory up to
// 2 MiB, beyond that into an anonymous temporary file under $TMPDIR (else /tmp), which has no
// name from the moment it is open, so nothing is left behind even when the process is killed.
// An operation that reads its rows once stops the copy after the column scan (read_rest_once). Content that starts with
// the gzip magic bytes (1f 8b) or the zstd magic bytes (28 b5 2f fd) is decompressed into such a copy, in a file or a
// stream alike; the name plays no part. Compressed content is decompressed whole when it is opened (damaged data fails
// there); other streams are copied as they are read, so that the reading overlaps with whatever produces the stream.
// Multi-member gzip and multi-frame zstd data decompress to the concatenation of their parts. A source is copied at
// most once per process: opening it again (by the same or another name of the same file, FIFO, pipe or device) reads
// the same copy, each opening with a position of its own.
#pragma once
#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>

// The device and inode of a file or stream, and whether it is a regular file.
struct file_identity {
    dev_t dev = 0;
    ino_t ino = 0;
    bool regular = false;
    bool known = false;
};

// Both are known and name the same regular file.
bool same_regular_file(const file_identity& a, const file_identity& b);
// The identity of what a path names (symbolic links followed), or of an open descriptor;
// not known when it cannot be found.
file_identity identity_of_path(const char* path);
file_identity identity_of_descriptor(int fd);

struct file_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};
using unique_file = std::unique_ptr<FILE, file_closer>;

struct opened_input {
    enum class status { ok, cannot_open, failed };
    status result = status::cannot_open;
    unique_file stream;      // with ok: at the start, no I/O done yet (a caller may set its buffer)
    file_identity identity;  // what the name names: the original, never the copy
    std::string reason;      // with failed: one sentence naming the input and the cause
};

// Why the last read of a stream from open_input failed, as one sentence naming the input; call
// it right after the failed read (a stream read in place finds its reason in errno). A stream
// copied as it is read can also fail mid-way: no space left for the copy, a read error on the
// source.
std::string read_failure(FILE* stream);

// Opens name for reading from its start. "-" is standard input, unless a file of that name
// exists in the working directory: then it is that file. cannot_open: the name does
// not exist, cannot be opened for reading, or is a directory. failed: the source was opened but
// its copy could not be made (no temporary file, no space left, a read error, corrupt or
// truncated compressed data).
opened_input open_input(const char* name);

// For a stream from open_input that will not go back again before its current position: what
// its source gives from now on is read once and not kept, so that a long pipe needs no room for
// a copy. The part copied so far can still be read again. Nothing for a file read in place, nor
// while another stream reads the same source.
void read_rest_once(FILE* stream);

// Lets go of the copies that no open stream reads and that their source can make again (the
// decompressed copies of regular files), with their descriptors: a run over many inputs holds
// one at a time. With streams_too, the copies of pipes, FIFOs and standard input go as well:
// naming such a source again then reads it anew.
void release_input_copies(bool streams_too = false);

// Closes every stream still open over a copy, for a process that ends early: the C library's
// own clean-up at exit must find no stream whose reader is gone.
void close_input_copies();
