#include "mypath.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

static_assert(ENOMEM == 12 && ENAMETOOLONG == 36, "the path utilities report these two values");

namespace {

// Copies part into buf (len bytes) when buf is wanted. False when it had to be cut.
bool store_part(char* buf, size_t len, std::string_view part)
{
    if (!buf) return true;
    if (len == 0) return false;
    const size_t n = part.size() < len ? part.size() : len - 1;
    if (n > 0) std::memcpy(buf, part.data(), n);
    buf[n] = '\0';
    return n == part.size();
}

// Appends to a bounded buffer and remembers whether anything had to be left out.
class bounded_writer {
public:
    bounded_writer(char* buf, size_t len) : buf_(buf), len_(len) {}
    void put(char c)
    {
        if (pos_ + 1 < len_)
            buf_[pos_++] = c;
        else
            cut_ = true;
    }
    void put(const char* s)
    {
        while (*s) put(*s++);
    }
    // Terminates the text; false when something did not fit.
    bool finish()
    {
        if (len_ == 0) return false;
        buf_[pos_] = '\0';
        return !cut_;
    }

private:
    char* buf_;
    size_t len_;
    size_t pos_ = 0;
    bool cut_ = false;
};

}  // namespace

int explode_path_n(const char* real_path, char* drive, size_t drive_len, char* directory, size_t directory_len,
                   char* filename, size_t filename_len, char* extension, size_t extension_len)
{
    char* const bufs[] = {extension, filename, directory, drive};
    const size_t lens[] = {extension_len, filename_len, directory_len, drive_len};
    for (int i = 0; i < 4; ++i)
        if (bufs[i] && lens[i] > 0) bufs[i][0] = '\0';
    if (!real_path) return 0;

    // A private copy of the path, as the splitting works on one.
    const size_t length = std::strlen(real_path);
    std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
    if (!copy) return ENOMEM;
    std::memcpy(copy.get(), real_path, length + 1);
    std::string_view rest(copy.get(), length);

    // Extension: from the last '.' when no separator stands after it.
    std::string_view ext;
    const size_t mark = rest.find_last_of(".\\/:");
    if (mark != std::string_view::npos && rest[mark] == '.') {
        ext = rest.substr(mark);
        rest = rest.substr(0, mark);
    }
    // File name: behind the last separator.
    const size_t sep = rest.find_last_of("\\/:");
    const size_t name_start = sep == std::string_view::npos ? 0 : sep + 1;
    const std::string_view name = rest.substr(name_start);
    // Drive (up to and including the last ':') and directory (the rest, with its separator).
    const std::string_view prefix = rest.substr(0, name_start);
    const size_t colon = prefix.rfind(':');
    const size_t dir_start = colon == std::string_view::npos ? 0 : colon + 1;
    const std::string_view parts[] = {ext, name, prefix.substr(dir_start), prefix.substr(0, dir_start)};

    for (int i = 0; i < 4; ++i)
        if (!store_part(bufs[i], lens[i], parts[i])) return ENAMETOOLONG;
    return 0;
}

int explode_path(const char* path, char* drive, char* directory, char* filename, char* extension)
{
    return explode_path_n(path, drive, 256, directory, 256, filename, 256, extension, 256);
}

int combine_path_n(char* path, size_t path_len, const char* drive, const char* directory, const char* filename,
                   const char* extension)
{
    if (!path) return 0;
    bounded_writer out(path, path_len);
    if (drive && *drive) {
        out.put(drive);
        if (drive[std::strlen(drive) - 1] != ':') out.put(':');
    }
    if (directory && *directory) {
        out.put(directory);
        const char last = directory[std::strlen(directory) - 1];
        if (last != '/' && last != '\\') out.put('/');
    }
    if (filename) out.put(filename);
    if (extension && *extension) {
        if (*extension != '.') out.put('.');
        out.put(extension);
    }
    return out.finish() ? 0 : ENAMETOOLONG;
}

int combine_path(char* path, const char* drive, const char* directory, const char* filename, const char* extension)
{
    return combine_path_n(path, 260, drive, directory, filename, extension);
}

std::string wildcard_output_name(const char* namein, const std::string& wildext)
{
    std::string name;
    name.reserve(std::strlen(namein) + wildext.size() + 5);
    // Standard input has no name of its own: its outputs are named after "stdin".
    name = std::strcmp(namein, "-") == 0 ? "stdin" : namein;
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    name += wildext;
    return name;
}
