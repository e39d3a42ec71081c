// Output files that become a run's result only when the run succeeds.
#include "output_commit.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// One output not yet committed. The signal handler reads the slots, so everything it needs is in
// plain storage and `state` is set last.
struct slot {
    enum : int { free_slot, replacing, appending };
    volatile sig_atomic_t state = free_slot;
    int fd = -1;
    off_t length_before = 0;
    bool existed = false;  // replacing: the name held a file before the run
    FILE* stream = nullptr;
    char temporary[PATH_MAX] = {};  // replacing: the file that becomes the result
    char target[PATH_MAX] = {};     // replacing: the name it takes; appending: the name given
    char shown[PATH_MAX] = {};      // the name as given, for messages
};

// A run has at most two outputs open at once (the split); a few more slots cost nothing.
std::array<slot, 8> slots;

bool copy_name(char (&to)[PATH_MAX], const char* from)
{
    if (std::strlen(from) >= PATH_MAX) return false;
    std::strcpy(to, from);
    return true;
}

void undo(slot& s)
{
    if (s.state == slot::replacing) ::unlink(s.temporary);
    if (s.state == slot::appending) (void)::ftruncate(s.fd, s.length_before);
}

// A signal that ends the run first takes back every output, then ends the process by the same
// signal. Only async-signal-safe calls here.
void on_signal(int sig)
{
    for (slot& s : slots) undo(s);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void catch_signals()
{
    static bool caught = false;
    if (caught) return;
    caught = true;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A signal the run was started to ignore stays ignored.
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction sa {};
        sa.sa_handler = on_signal;
        sigemptyset(&sa.sa_mask);
        for (const int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&sa.sa_mask, other);
        ::sigaction(sig, &sa, nullptr);
    }
}

// The signals that take outputs back wait while a temporary file is made and noted, so that
// none is left behind by one arriving in between.
class signals_held {
public:
    signals_held()
    {
        sigset_t set;
        sigemptyset(&set);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, sig);
        ::sigprocmask(SIG_BLOCK, &set, &before_);
    }
    ~signals_held() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }
    signals_held(const signals_held&) = delete;
    signals_held& operator=(const signals_held&) = delete;

private:
    sigset_t before_{};
};

slot* free_slot()
{
    for (slot& s : slots)
        if (s.state == slot::free_slot) return &s;
    return nullptr;
}

slot* slot_of(FILE* stream)
{
    for (slot& s : slots)
        if (s.state != slot::free_slot && s.stream == stream) return &s;
    return nullptr;
}

bool is_standard_stream(const struct stat& st)
{
    for (int fd = 0; fd <= 2; ++fd) {
        struct stat other {};
        if (::fstat(fd, &other) == 0 && other.st_dev == st.st_dev && other.st_ino == st.st_ino) return true;
    }
    return false;
}

mode_t creation_mask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

FILE* as_is(const char* name, bool append) { return std::fopen(name, append ? "ae" : "we"); }

FILE* stream_or_close(int fd, const char* mode)
{
    FILE* f = ::fdopen(fd, mode);
    if (!f) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return f;
}

FILE* open_appending(const char* name, slot& s)
{
    const int fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || is_standard_stream(st) || !copy_name(s.shown, name))
        return stream_or_close(fd, "a");
    FILE* f = stream_or_close(fd, "a");
    if (!f) return nullptr;
    s.fd = fd;
    s.length_before = st.st_size;
    s.stream = f;
    s.state = slot::appending;
    return f;
}

FILE* open_replacing(const char* name, slot& s)
{
    struct stat st {};
    const bool exists = ::stat(name, &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || is_standard_stream(st))) return as_is(name, false);
    // The file a link points to takes the result; the link stays.
    std::string target = name;
    if (exists) {
        char resolved[PATH_MAX];
        if (!::realpath(name, resolved)) return as_is(name, false);
        target = resolved;
        // An existing file that cannot be written fails now, as opening it would.
        const int probe = ::open(name, O_WRONLY | O_CLOEXEC);
        if (probe < 0) return nullptr;
        ::close(probe);
    } else {
        struct stat link {};
        if (::lstat(name, &link) == 0) return as_is(name, false);  // a link to nothing
    }
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "." + base + ".vorn-XXXXXX";
    if (temporary.size() >= PATH_MAX || !copy_name(s.target, target.c_str()) || !copy_name(s.shown, name))
        return as_is(name, false);
    const signals_held held;
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        // A folder where no file can be made: the name itself decides, as it always did.
        return as_is(name, false);
    }
    if (exists) {
        (void)::fchown(fd, st.st_uid, st.st_gid);
        (void)::fchmod(fd, st.st_mode & 07777);
    } else {
        (void)::fchmod(fd, 0666 & ~creation_mask());
    }
    std::strcpy(s.temporary, temporary.c_str());
    s.existed = exists;
    s.fd = fd;
    s.state = slot::replacing;
    FILE* f = ::fdopen(fd, "w");
    if (!f) {
        const int error = errno;
        undo(s);
        ::close(fd);
        s.state = slot::free_slot;
        errno = error;
        return nullptr;
    }
    s.stream = f;
    return f;
}

}  // namespace

FILE* open_output(const char* name, bool append)
{
    slot* s = free_slot();
    if (!s) return as_is(name, append);
    catch_signals();
    return append ? open_appending(name, *s) : open_replacing(name, *s);
}

int commit_output(FILE* stream)
{
    slot* s = slot_of(stream);
    errno = 0;
    // A failed write leaves the output to the fatal path, which takes it back and says so.
    if (std::fflush(stream) != 0 || std::ferror(stream)) return errno ? errno : EIO;
    if (!s) return std::fclose(stream) == 0 ? 0 : errno;
    const int closed = std::fclose(stream);
    const int error = errno;
    s->stream = nullptr;
    if (closed == 0 && (s->state != slot::replacing || ::rename(s->temporary, s->target) == 0)) {
        s->state = slot::free_slot;
        return 0;
    }
    const int failure = closed == 0 ? errno : error;
    // The descriptor is gone: what was appended is cut back by name.
    if (s->state == slot::replacing) ::unlink(s->temporary);
    if (s->state == slot::appending) (void)::truncate(s->shown, s->length_before);
    s->state = slot::free_slot;
    return failure;
}

void take_back_outputs(FILE* report)
{
    for (slot& s : slots) {
        if (s.state == slot::free_slot) continue;
        const bool replacing = s.state == slot::replacing;
        // An output that the run has not written to yet is taken back without a word.
        bool written = true;
        if (s.stream) {
            const off_t at = ::ftello(s.stream);
            written = at < 0 || at > (replacing ? 0 : s.length_before);
            __fpurge(s.stream);
        }
        undo(s);
        s.state = slot::free_slot;
        s.stream = nullptr;
        if (!report || !written) continue;
        if (!replacing)
            std::fprintf(report,
                         "The output file %s was left incomplete and has been cut back to its length before this "
                         "run.\n",
                         s.shown);
        else if (s.existed)
            std::fprintf(report, "The output file %s was left as it was before this run.\n", s.shown);
        else
            std::fprintf(report, "The output file %s was left incomplete and has been removed.\n", s.shown);
    }
}

void discard_output(FILE* stream)
{
    if (slot* s = slot_of(stream)) {
        __fpurge(stream);
        undo(*s);
        s->state = slot::free_slot;
        s->stream = nullptr;
    }
    std::fclose(stream);
}
