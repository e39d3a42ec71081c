// Temporary files that never outlive the run: created without a name where the system allows
// it (O_TMPFILE), else unlinked right after creation, so that nothing is left behind however the
// process ends.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <utility>

// An owned file descriptor, closed when it goes.
class unique_fd {
public:
    explicit unique_fd(int fd = -1) : fd_(fd) {}
    unique_fd(unique_fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    unique_fd& operator=(unique_fd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    unique_fd(const unique_fd&) = delete;
    unique_fd& operator=(const unique_fd&) = delete;
    ~unique_fd() { reset(); }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1);

private:
    int fd_;
};

// $TMPDIR when it is set and not empty, else /tmp.
std::string temporary_directory();
// A new, empty file in dir, open for reading and writing, that no name reaches. A descriptor
// of -1 (errno set) when it cannot be made.
unique_fd anonymous_file(const std::string& dir);

// Writes all n bytes at offset; false (errno set) when the system refuses some of them.
bool write_all_at(int fd, const void* data, size_t n, off_t offset);
// Reads exactly n bytes at offset; false (errno set; EIO when the file ends first) otherwise.
bool read_all_at(int fd, void* data, size_t n, off_t offset);
