// Temporary files that never outlive the run.
#include "temp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

void unique_fd::reset(int fd)
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

std::string temporary_directory()
{
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

unique_fd anonymous_file(const std::string& dir)
{
#ifdef O_TMPFILE
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return unique_fd(fd);
    // File systems without unnamed files say so with one of these; anything else (no such
    // directory, no permission, no space) would fail the same way by name.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return unique_fd();
#endif
    std::string path = dir + "/vorn-temp.XXXXXX";
    unique_fd named(::mkostemp(path.data(), O_CLOEXEC));
    if (named.get() >= 0) ::unlink(path.c_str());
    return named;
}

bool write_all_at(int fd, const void* data, size_t n, off_t offset)
{
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t done = ::pwrite(fd, p, n, offset);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (done == 0) {
            errno = ENOSPC;
            return false;
        }
        p += done;
        n -= static_cast<size_t>(done);
        offset += done;
    }
    return true;
}

bool read_all_at(int fd, void* data, size_t n, off_t offset)
{
    char* p = static_cast<char*>(data);
    while (n > 0) {
        const ssize_t done = ::pread(fd, p, n, offset);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (done == 0) {
            errno = EIO;
            return false;
        }
        p += done;
        n -= static_cast<size_t>(done);
        offset += done;
    }
    return true;
}
