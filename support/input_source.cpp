#include "input_source.h"

#include "memory_limits.h"
#include "temp_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef VORN_HAVE_ZLIB
#include <zlib.h>
#endif
#ifdef VORN_HAVE_ZSTD
#include <zstd.h>
#include <zstd_errors.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Reads and writes of copies go in pieces of this size, so memory stays flat.
constexpr size_t CHUNK = 1 << 20;
// A copy stays in memory up to this size and moves to a temporary file beyond it.
constexpr size_t HELD = 2 << 20;

// Before a read from a source that has nothing to give yet (a live pipe, a terminal), the output
// written so far goes out, so that rows show as they arrive; a source with data waiting costs
// one poll.
void flush_before_waiting(int fd)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) == 0) std::fflush(nullptr);
}

file_identity identity_of(const struct stat& st)
{
    file_identity id;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.regular = S_ISREG(st.st_mode);
    id.known = true;
    return id;
}

bool same_source(const file_identity& a, const file_identity& b)
{
    return a.known && b.known && a.dev == b.dev && a.ino == b.ino;
}

// ---- Copies --------------------------------------------------------------------------------------

ssize_t read_some(int fd, void* buf, size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, buf, size);
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

bool write_all(int fd, const void* buf, size_t size)
{
    const char* p = static_cast<const char*>(buf);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// One copy per source, kept open for the whole process. A source is recognised by its device,
// inode and type, and a regular file also by its size and modification time, so that a file
// removed and replaced under the same inode number is not taken for the one copied.
struct source_key {
    file_identity identity;
    mode_t type = 0;
    off_t size = 0;
    struct timespec modified {};
};

source_key key_of(const struct stat& st)
{
    source_key k{identity_of(st), static_cast<mode_t>(st.st_mode & S_IFMT), 0, {}};
    if (S_ISREG(st.st_mode)) {
        k.size = st.st_size;
        k.modified = st.st_mtim;
    }
    return k;
}

bool same_key(const source_key& a, const source_key& b)
{
    return same_source(a.identity, b.identity) && a.type == b.type && a.size == b.size &&
           a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
}

// A copy and how far it is made. A plain stream is copied as it is read: the first reader to
// reach the end of what is copied so far reads the next piece from the source and appends it,
// so that processing overlaps with whatever feeds the stream. Compressed content is
// decompressed whole when it is opened, so that damaged data stops the run before any output.
struct spool {
    source_key key;
    std::string shown;      // the input as messages name it
    std::string directory;  // where the copy lives
    unique_fd copy;         // the copy once it is larger than HELD; until then it is `held`
    std::vector<char> held;
    unique_fd owned_source;  // the source while it is still being read (standard input is not owned)
    int source = -1;
    off64_t filled = 0;   // bytes of the copy written so far
    bool ended = false;   // the source is exhausted: the copy is complete
    bool copying = true;  // false: what the source gives after the copy is read once, not kept
    off64_t passed = 0;   // bytes read from the source since copying stopped
    std::string failure;  // why the copy could not go on; sticky

    // Reads from the copy at pos, extending it from the source at its end: bytes read, 0 at the
    // end of the data, -1 when the copy cannot go on (see failure).
    ssize_t read_at(char* buf, size_t size, off64_t pos)
    {
        if (pos < filled) {
            const size_t want = static_cast<size_t>(std::min<off64_t>(filled - pos, static_cast<off64_t>(size)));
            if (copy.get() < 0) {
                std::memcpy(buf, held.data() + pos, want);
                return static_cast<ssize_t>(want);
            }
            for (;;) {
                const ssize_t n = ::pread(copy.get(), buf, want, pos);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) return fail("Could not read the temporary copy of " + shown + ": " + std::strerror(errno));
                return n;
            }
        }
        if (!failure.empty()) return stop();
        if (pos != filled + passed) {
            errno = ESPIPE;  // a part read once and not kept
            return fail("Could not read " + shown + " again: " + std::strerror(errno));
        }
        if (ended) return 0;
        flush_before_waiting(source);
        const ssize_t n = read_some(source, buf, size);
        if (n < 0) return fail("Could not read " + shown + ": " + std::strerror(errno));
        if (n == 0) {
            ended = true;
            owned_source.reset();
            return 0;
        }
        if (!copying) {
            passed += n;
            return n;
        }
        if (!append(buf, static_cast<size_t>(n))) return -1;
        return n;
    }

    // The position just past everything read from the source so far.
    off64_t end_so_far() const { return filled + passed; }

    // Appends to the copy; false (with failure set) when it cannot be written.
    bool append(const char* p, size_t size)
    {
        if (copy.get() < 0 && static_cast<size_t>(filled) + size <= HELD) {
            held.insert(held.end(), p, p + size);
            filled += static_cast<off64_t>(size);
            return true;
        }
        if (copy.get() < 0 && !spill()) return false;
        if (!write_all_at(copy.get(), p, size, filled)) {
            fail("Could not copy " + shown + " to a temporary file in " + directory + ": " + std::strerror(errno));
            return false;
        }
        filled += static_cast<off64_t>(size);
        return true;
    }

    // Copies the rest of the source: false when the copy cannot be completed.
    bool complete()
    {
        if (!copying && !ended) {
            errno = ESPIPE;
            return false;
        }
        std::vector<char> buf(CHUNK);
        for (;;) {
            const ssize_t n = read_at(buf.data(), buf.size(), filled);
            if (n <= 0) return n == 0;
        }
    }

private:
    // Moves what is held in memory to a new temporary file.
    bool spill()
    {
        copy = anonymous_file(directory);
        if (copy.get() < 0) {
            fail("Could not create a temporary file in " + directory + " for " + shown + ": " + std::strerror(errno));
            return false;
        }
        if (!write_all_at(copy.get(), held.data(), held.size(), 0)) {
            fail("Could not copy " + shown + " to a temporary file in " + directory + ": " + std::strerror(errno));
            return false;
        }
        std::vector<char>().swap(held);
        return true;
    }

    ssize_t fail(std::string text)
    {
        if (failure.empty()) failure = std::move(text);
        return stop();
    }
    static ssize_t stop()
    {
        errno = EIO;
        return -1;
    }
};

std::vector<std::unique_ptr<spool>>& spools()
{
    static std::vector<std::unique_ptr<spool>> list;
    return list;
}

spool* find_spool(const source_key& key)
{
    for (const auto& s : spools())
        if (same_key(s->key, key)) return s.get();
    return nullptr;
}

// Each stream over a copy reads with a position of its own, so that several streams over one
// copy (the data and the selection both from standard input) never disturb each other.
struct copy_reader {
    spool* from;
    off64_t pos = 0;
    FILE* stream = nullptr;
};

// The readers of open streams, so that a failed read can be explained. The list owns them: a
// run that ends with its input still open (a fatal error) releases them with the list.
std::vector<std::unique_ptr<copy_reader>>& readers()
{
    static std::vector<std::unique_ptr<copy_reader>> list;
    return list;
}

ssize_t copy_read(void* cookie, char* buf, size_t size)
{
    auto* r = static_cast<copy_reader*>(cookie);
    const ssize_t n = r->from->read_at(buf, size, r->pos);
    if (n > 0) r->pos += n;
    return n;
}

int copy_seek(void* cookie, off64_t* offset, int whence)
{
    auto* r = static_cast<copy_reader*>(cookie);
    off64_t base = 0;
    if (whence == SEEK_CUR) {
        base = r->pos;
    } else if (whence == SEEK_END) {
        if (!r->from->complete()) return -1;
        base = r->from->filled;
    } else if (whence != SEEK_SET) {
        errno = EINVAL;
        return -1;
    }
    if (*offset < -base) {
        errno = EINVAL;
        return -1;
    }
    // A position beyond what is copied so far needs the copy made that far; once copying has
    // stopped, only the position the source has reached is there beyond the copy.
    const off64_t target = base + *offset;
    if (target > r->from->filled && target != r->from->end_so_far() && !r->from->complete()) return -1;
    r->pos = base + *offset;
    *offset = r->pos;
    return 0;
}

int copy_close(void* cookie)
{
    std::erase_if(readers(), [cookie](const std::unique_ptr<copy_reader>& r) { return r.get() == cookie; });
    return 0;
}

// A copy that nothing reads and that its source can make again (a compressed regular file), or
// any copy that nothing reads, with streams_too.
bool can_be_released(const spool& s, bool streams_too)
{
    if (!streams_too && s.key.type != S_IFREG) return false;
    return std::none_of(readers().begin(), readers().end(),
                        [&s](const std::unique_ptr<copy_reader>& r) { return r->from == &s; });
}

unique_file open_copy(spool& from)
{
    auto reader = std::make_unique<copy_reader>(copy_reader{&from});
    const cookie_io_functions_t functions{copy_read, nullptr, copy_seek, copy_close};
    unique_file f(fopencookie(reader.get(), "r", functions));
    if (f) {
        reader->stream = f.get();
        readers().push_back(std::move(reader));
    }
    return f;
}

// ---- Making a copy -------------------------------------------------------------------------------

enum class content { plain, gzip, zstd };

content content_of(const unsigned char* p, size_t n)
{
    if (n >= 2 && p[0] == 0x1f && p[1] == 0x8b) return content::gzip;
    if (n >= 4 && p[0] == 0x28 && p[1] == 0xb5 && p[2] == 0x2f && p[3] == 0xfd) return content::zstd;
    // A skippable frame (magic 0x184D2A50 to 0x184D2A5F, little-endian), as parallel writers put
    // first, is zstd data too.
    if (n >= 4 && (p[0] & 0xf0) == 0x50 && p[1] == 0x2a && p[2] == 0x4d && p[3] == 0x18) return content::zstd;
    return content::plain;
}

#ifdef VORN_HAVE_ZSTD
// The largest window a zstd frame may ask for here: the format's own limit (2 GiB), less when the
// machine or the address-space limit leaves less.
constexpr int LARGEST_WINDOW_LOG = 31;
constexpr int SMALLEST_WINDOW_LOG = 10;

size_t zstd_window_allowance()
{
    size_t allowed = size_t{1} << LARGEST_WINDOW_LOG;
    if (const size_t physical = physical_memory(); physical > 0) allowed = std::min(allowed, physical / 2);
    return std::min(allowed, address_space_room() / 2);
}

int window_log_for(size_t bytes)
{
    int log = SMALLEST_WINDOW_LOG;
    while (log < LARGEST_WINDOW_LOG && (size_t{1} << (log + 1)) <= bytes) ++log;
    return log;
}

// The window a zstd frame header at p (n bytes) asks for; 0 when the header is not all there.
uint64_t zstd_window_of(const unsigned char* p, size_t n)
{
    if (n < 6) return 0;
    const unsigned descriptor = p[4];
    if (!(descriptor & 0x20)) {
        const unsigned w = p[5];
        const uint64_t base = uint64_t{1} << (SMALLEST_WINDOW_LOG + (w >> 3));
        return base + base / 8 * (w & 7);
    }
    // A single segment: the window is the content size that follows the dictionary number.
    static constexpr size_t dictionary_bytes[] = {0, 1, 2, 4};
    static constexpr size_t size_bytes[] = {1, 2, 4, 8};
    const size_t at = 5 + dictionary_bytes[descriptor & 3];
    const size_t len = size_bytes[descriptor >> 6];
    if (n < at + len) return 0;
    uint64_t size = 0;
    for (size_t i = len; i-- > 0;) size = size << 8 | p[at + i];
    return len == 2 ? size + 256 : size;
}
#endif

// Decompresses one source into a temporary file; head holds the bytes already read from it.
// Every failure leaves a sentence in `failure`.
class decompressor {
public:
    decompressor(int from, int to, std::string shown, std::string dir, const unsigned char* head, size_t have)
        : from_(from), to_(to), shown_(std::move(shown)), dir_(std::move(dir)), in_(CHUNK), have_(have)
    {
        std::memcpy(in_.data(), head, have);
    }

    bool run() { return content_of(in_.data(), have_) == content::zstd ? unzstd() : gunzip(); }
    const std::string& failure() const { return failure_; }
    off64_t written() const { return written_; }

private:
    int from_;
    int to_;
    std::string shown_;
    std::string dir_;
    std::vector<unsigned char> in_;
    size_t have_;
    off64_t written_ = 0;
    std::string failure_;

    bool fail(std::string text)
    {
        failure_ = std::move(text);
        return false;
    }
    bool read_failed() { return fail("Could not read " + shown_ + ": " + std::strerror(errno)); }
    bool put(const void* p, size_t n)
    {
        if (!write_all(to_, p, n))
            return fail("Could not copy " + shown_ + " to a temporary file in " + dir_ + ": " + std::strerror(errno));
        written_ += static_cast<off64_t>(n);
        return true;
    }
    // Refills the input buffer: its size, 0 at the end, -1 after a read error.
    ssize_t refill()
    {
        const ssize_t n = read_some(from_, in_.data(), in_.size());
        if (n < 0) read_failed();
        return n;
    }

#ifdef VORN_HAVE_ZLIB
    bool gunzip()
    {
        std::vector<unsigned char> out(CHUNK);
        z_stream zs{};
        if (inflateInit2(&zs, 15 + 16) != Z_OK) return fail("Could not allocate memory to decompress " + shown_);
        struct ender {
            z_stream* zs;
            ~ender() { inflateEnd(zs); }
        } end_stream{&zs};
        zs.next_in = in_.data();
        zs.avail_in = static_cast<uInt>(have_);
        bool in_member = true;     // a member has begun and not yet ended
        bool more_output = false;  // the last call filled the output: it may hold more
        for (;;) {
            if (zs.avail_in == 0 && !more_output) {
                const ssize_t n = refill();
                if (n < 0) return false;
                if (n == 0) break;
                zs.next_in = in_.data();
                zs.avail_in = static_cast<uInt>(n);
                if (!in_member) {
                    inflateReset(&zs);
                    in_member = true;
                }
            }
            zs.next_out = out.data();
            zs.avail_out = static_cast<uInt>(out.size());
            const int ret = inflate(&zs, Z_NO_FLUSH);
            if (ret == Z_MEM_ERROR) return fail("Could not allocate memory to decompress " + shown_);
            if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR)
                return fail("Corrupt gzip data in " + shown_ + ": " + (zs.msg ? zs.msg : "invalid data"));
            const size_t produced = out.size() - zs.avail_out;
            if (ret == Z_BUF_ERROR && produced == 0 && zs.avail_in > 0)
                return fail("Corrupt gzip data in " + shown_ + ": no progress");
            if (!put(out.data(), produced)) return false;
            more_output = zs.avail_out == 0 && ret != Z_STREAM_END;
            if (ret == Z_STREAM_END) {
                // Data after a member's end must be another member.
                in_member = false;
                if (zs.avail_in > 0) {
                    inflateReset(&zs);
                    in_member = true;
                }
            }
        }
        if (in_member) return fail("Truncated gzip data in " + shown_ + ": unexpected end of the data");
        return true;
    }
#else
    bool gunzip() { return fail(shown_ + " is gzip-compressed; this vorn was built without zlib (zlib1g-dev)"); }
#endif

#ifdef VORN_HAVE_ZSTD
    bool unzstd()
    {
        std::vector<unsigned char> out(CHUNK);
        std::unique_ptr<ZSTD_DCtx, size_t (*)(ZSTD_DCtx*)> dctx(ZSTD_createDCtx(), ZSTD_freeDCtx);
        if (!dctx) return fail("Could not allocate memory to decompress " + shown_);
        const size_t allowance = zstd_window_allowance();
        ZSTD_DCtx_setParameter(dctx.get(), ZSTD_d_windowLogMax, window_log_for(allowance));
        // The first frame's header whole, so that a window too large can be told in figures.
        while (have_ < 32) {
            const ssize_t n = read_some(from_, in_.data() + have_, 32 - have_);
            if (n < 0) return read_failed();
            if (n == 0) break;
            have_ += static_cast<size_t>(n);
        }
        ZSTD_inBuffer input{in_.data(), have_, 0};
        size_t pending = 1;        // 0 once a frame is complete and flushed
        bool more_output = false;  // the last call filled the output: it may hold more
        size_t frame_start = 0;    // where the frame being begun starts in the input, when known
        bool frame_start_known = true;
        for (;;) {
            if (input.pos == input.size && !more_output) {
                const ssize_t n = refill();
                if (n < 0) return false;
                if (n == 0) break;
                input = ZSTD_inBuffer{in_.data(), static_cast<size_t>(n), 0};
                frame_start = 0;
            }
            ZSTD_outBuffer output{out.data(), out.size(), 0};
            pending = ZSTD_decompressStream(dctx.get(), &output, &input);
            if (ZSTD_isError(pending))
                return zstd_failed(pending, input, frame_start_known ? frame_start : input.size, allowance);
            frame_start_known = pending == 0;
            frame_start = input.pos;
            if (!put(out.data(), output.pos)) return false;
            more_output = output.pos == output.size && pending != 0;
        }
        if (pending != 0) return fail("Truncated zstd data in " + shown_ + ": unexpected end of the data");
        return true;
    }

    // The sentence for a failed zstd call; a frame whose window is too large says how much memory
    // it needs (its header is read again from frame_start when it is still in the buffer).
    bool zstd_failed(size_t code, const ZSTD_inBuffer& input, size_t frame_start, size_t allowance)
    {
        const ZSTD_ErrorCode e = ZSTD_getErrorCode(code);
        if (e == ZSTD_error_memory_allocation) return fail("Could not allocate memory to decompress " + shown_);
        if (e != ZSTD_error_frameParameter_windowTooLarge)
            return fail("Corrupt zstd data in " + shown_ + ": " + ZSTD_getErrorName(code));
        std::string need = "more memory than";
        const uint64_t window =
            frame_start < input.size
                ? zstd_window_of(static_cast<const unsigned char*>(input.src) + frame_start, input.size - frame_start)
                : 0;
        if (window > 0) need = std::to_string((window + (1 << 20) - 1) >> 20) + " MiB of memory, more than";
        return fail("Could not decompress " + shown_ + ": its zstd data needs " + need + " the " +
                    std::to_string(allowance >> 20) + " MiB it may use here");
    }
#else
    bool unzstd() { return fail(shown_ + " is zstd-compressed; this vorn was built without zstd (libzstd-dev)"); }
#endif
};

opened_input cannot_open(int error)
{
    errno = error;
    return opened_input{};
}

opened_input failed(std::string reason)
{
    opened_input r;
    r.result = opened_input::status::failed;
    r.reason = std::move(reason);
    return r;
}

// The name every stream was opened under, for the messages of failed reads.
std::vector<std::pair<FILE*, std::string>>& stream_names()
{
    static std::vector<std::pair<FILE*, std::string>> list;
    return list;
}

opened_input ok(unique_file stream, const file_identity& identity, const char* name)
{
    if (!stream) return cannot_open(errno);
    stream_names().emplace_back(stream.get(), std::strcmp(name, "-") == 0 ? "standard input" : name);
    opened_input r;
    r.result = opened_input::status::ok;
    r.stream = std::move(stream);
    r.identity = identity;
    return r;
}

}  // namespace

bool same_regular_file(const file_identity& a, const file_identity& b)
{
    return a.regular && b.regular && same_source(a, b);
}

file_identity identity_of_path(const char* path)
{
    struct stat st;
    return ::stat(path, &st) == 0 ? identity_of(st) : file_identity{};
}

file_identity identity_of_descriptor(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 ? identity_of(st) : file_identity{};
}

std::string read_failure(FILE* stream)
{
    const int error = errno;
    for (const auto& r : readers())
        if (r->stream == stream && !r->from->failure.empty()) return r->from->failure;
    // The newest name given to this stream: a stream closed since may have left an older one.
    const auto& names = stream_names();
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        if (it->first == stream) return "Could not read " + it->second + ": " + std::strerror(error);
    return std::string("Could not read the input: ") + std::strerror(error);
}

opened_input open_input(const char* name)
{
    struct stat st;
    // "-" is standard input unless a file of that name exists: a file by that name stays a file.
    const bool standard_input = std::strcmp(name, "-") == 0 && ::lstat(name, &st) != 0;
    // A FIFO already copied must not be opened again: that would wait for a writer.
    if (standard_input ? ::fstat(STDIN_FILENO, &st) != 0 : ::stat(name, &st) != 0) return cannot_open(errno);
    if (S_ISDIR(st.st_mode)) return cannot_open(EISDIR);
    if (standard_input || !S_ISREG(st.st_mode))
        if (spool* s = find_spool(key_of(st))) return ok(open_copy(*s), s->key.identity, name);

    unique_fd own;
    int from = STDIN_FILENO;
    if (!standard_input) {
        own.reset(::open(name, O_RDONLY | O_CLOEXEC));
        if (own.get() < 0 || ::fstat(own.get(), &st) != 0) return cannot_open(errno);
        if (S_ISDIR(st.st_mode)) return cannot_open(EISDIR);
        from = own.get();
    }
    const file_identity identity = identity_of(st);

    if (!standard_input && S_ISREG(st.st_mode)) {
        unsigned char magic[4];
        const ssize_t n = ::pread(from, magic, sizeof magic, 0);
        if (content_of(magic, n > 0 ? static_cast<size_t>(n) : 0) == content::plain) {
            unique_file f(::fdopen(from, "r"));
            if (f) own.release();
            return ok(std::move(f), identity, name);
        }
        if (spool* s = find_spool(key_of(st))) return ok(open_copy(*s), identity, name);
    }

    auto s = std::make_unique<spool>();
    s->key = key_of(st);
    s->shown = standard_input ? std::string("standard input") : std::string(name);
    s->directory = temporary_directory();

    // The first bytes decide how the rest is read; a pipe may deliver them a few at a time.
    unsigned char head[4];
    size_t have = 0;
    while (have < sizeof head) {
        const ssize_t n = read_some(from, head + have, sizeof head - have);
        if (n < 0) return failed("Could not read " + s->shown + ": " + std::strerror(errno));
        if (n == 0) break;
        have += static_cast<size_t>(n);
    }
    if (content_of(head, have) != content::plain) {
        s->copy = anonymous_file(s->directory);
        if (s->copy.get() < 0)
            return failed("Could not create a temporary file in " + s->directory + " for " + s->shown + ": " +
                          std::strerror(errno));
        decompressor job(from, s->copy.get(), s->shown, s->directory, head, have);
        if (!job.run()) return failed(job.failure());
        s->filled = job.written();
        s->ended = true;
    } else {
        if (!s->append(reinterpret_cast<const char*>(head), have)) return failed(s->failure);
        s->ended = have < sizeof head;  // the source ended within its first bytes
        if (!s->ended) {
            // A larger pipe means fewer wake-ups; the system may refuse, which costs nothing.
            if (S_ISFIFO(st.st_mode)) ::fcntl(from, F_SETPIPE_SZ, static_cast<int>(CHUNK));
            s->source = from;
            s->owned_source = std::move(own);
        }
    }
    spools().push_back(std::move(s));
    return ok(open_copy(*spools().back()), identity, name);
}

void read_rest_once(FILE* stream)
{
    const auto reader = std::find_if(readers().begin(), readers().end(),
                                     [stream](const std::unique_ptr<copy_reader>& r) { return r->stream == stream; });
    if (reader == readers().end()) return;
    spool* const s = (*reader)->from;
    const auto readers_of_it = std::count_if(readers().begin(), readers().end(),
                                             [s](const std::unique_ptr<copy_reader>& r) { return r->from == s; });
    // Another stream over the same source may still want all of it.
    if (readers_of_it == 1) s->copying = false;
}

void release_input_copies(bool streams_too)
{
    std::erase_if(spools(),
                  [streams_too](const std::unique_ptr<spool>& s) { return can_be_released(*s, streams_too); });
}

void close_input_copies()
{
    // Closing a stream takes its reader off the list.
    while (!readers().empty()) std::fclose(readers().back()->stream);
}
