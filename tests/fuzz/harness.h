// Shared pieces of the fuzz targets: a fresh process state for every input, a sink for output,
// a named in-memory file, an input fed as a file, a pipe or gzip data, and a reader of the input's
// leading option bytes.
//
// The library is built with VORN_FUZZ, so its fatal path throws fatal_exit instead of ending
// the process: a deliberate fatal error is an ordinary outcome for a target, while a crash, a
// sanitizer report, a leak or a hang still stops the fuzzer.
#pragma once
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#ifdef VORN_HAVE_ZLIB
#include <zlib.h>
#endif

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "input_source.h"
#include "output.h"
#include "utils.h"
#include "vorn_variables.h"

namespace fuzz {

// Stops the fuzzer with a message: the target found a result that breaks a rule.
[[noreturn]] inline void fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "\n==== %s\n%s\n", what, detail.c_str());
    std::abort();
}

// Output that goes nowhere (and stays open for the whole run).
inline FILE* sink()
{
    static FILE* f = std::fopen("/dev/null", "w");
    if (!f) std::abort();
    return f;
}

// The targets hold a handful of files of their own; a lowest free descriptor far above that
// means that inputs left files open (a fatal error must not leak what it abandons).
inline void check_descriptors()
{
    const int lowest = dup(0);
    if (lowest >= 0) close(lowest);
    if (lowest > 64)
        fail("files are left open from input to input", "lowest free descriptor " + std::to_string(lowest));
}

// Everything the options would set, as before any option; the comment queue emptied; the
// standard output style in force; no file left open by the input before.
inline void reset_state()
{
    check_descriptors();
    settings = vorn_variables{};
    settings.quiet = 1;
    set_output_standard();
    flush_comments(sink());
    errno = 0;
}

// A file that lives in memory but has a name the program can open ("/proc/self/fd/N").
class memory_file {
public:
    memory_file()
    {
        fd_ = memfd_create("vorn-fuzz", 0);
        if (fd_ < 0) std::abort();
        name_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~memory_file() { close(fd_); }
    memory_file(const memory_file&) = delete;
    memory_file& operator=(const memory_file&) = delete;

    void assign(const void* data, size_t size)
    {
        if (ftruncate(fd_, 0) != 0) std::abort();
        const char* p = static_cast<const char*>(data);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd_, p + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
    }
    const char* name() const { return name_.c_str(); }

private:
    int fd_ = -1;
    std::string name_;
};

// An input as the program meets it in use: a file read in place, a pipe, or gzip data in a file
// (decompressed into a copy; a file when the build has no zlib). `how` chooses (any value; taken
// modulo 3). A pipe holds at most
// what fits in its buffer: larger data goes as a file.
class fed_input {
public:
    fed_input() = default;
    fed_input(const fed_input&) = delete;
    fed_input& operator=(const fed_input&) = delete;
    ~fed_input() { close_pipe(); }

    const char* feed(const void* data, size_t size, uint8_t how)
    {
        close_pipe();
        // Copies of earlier inputs (pipes included) are let go, so that descriptors do not pile up.
        release_input_copies(true);
        if (how % 3 == 1 && into_pipe(data, size)) return pipe_name_.c_str();
#ifdef VORN_HAVE_ZLIB
        if (how % 3 == 2) {
            const std::string packed = gzip(data, size);
            file_.assign(packed.data(), packed.size());
            return file_.name();
        }
#endif
        file_.assign(data, size);
        return file_.name();
    }

private:
    memory_file file_;
    int pipe_fd_ = -1;
    std::string pipe_name_;

    void close_pipe()
    {
        if (pipe_fd_ >= 0) close(pipe_fd_);
        pipe_fd_ = -1;
    }
    bool into_pipe(const void* data, size_t size)
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) std::abort();
        const int room = fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
        bool fits = room >= 0 && size <= static_cast<size_t>(room);
        if (fits) fits = size == 0 || write(ends[1], data, size) == static_cast<ssize_t>(size);
        close(ends[1]);
        if (!fits) {
            close(ends[0]);
            return false;
        }
        pipe_fd_ = ends[0];
        pipe_name_ = "/proc/self/fd/" + std::to_string(pipe_fd_);
        return true;
    }
#ifdef VORN_HAVE_ZLIB
    static std::string gzip(const void* data, size_t size)
    {
        z_stream zs{};
        if (deflateInit2(&zs, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
        std::string out(deflateBound(&zs, static_cast<uLong>(size)) + 64, '\0');
        zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
        zs.avail_in = static_cast<uInt>(size);
        zs.next_out = reinterpret_cast<Bytef*>(out.data());
        zs.avail_out = static_cast<uInt>(out.size());
        if (deflate(&zs, Z_FINISH) != Z_STREAM_END) std::abort();
        out.resize(zs.total_out);
        deflateEnd(&zs);
        return out;
    }
#endif
};

// Does the text hold a run of more than four digits? Formats with such widths or precisions are
// valid but print thousands of characters per number: the targets check them without printing.
inline bool has_long_count(const char* s)
{
    int run = 0;
    for (; *s; ++s) {
        run = *s >= '0' && *s <= '9' ? run + 1 : 0;
        if (run > 4) return true;
    }
    return false;
}

// Takes option bytes from the front of the input; an exhausted input gives zeros.
class input_bytes {
public:
    input_bytes(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    const uint8_t* rest() const { return p_; }
    size_t rest_size() const { return static_cast<size_t>(end_ - p_); }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

}  // namespace fuzz
