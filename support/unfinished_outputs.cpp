// Output files that a failed run must not leave behind looking like results.
#include "unfinished_outputs.h"

#include <stdio_ext.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

struct held_file {
    std::string name;
    FILE* stream;
    long long length_before;
};

std::vector<held_file>& held()
{
    static std::vector<held_file> files;
    return files;
}

}  // namespace

void hold_unfinished(const std::string& name, FILE* stream, long long length_before)
{
    held().push_back({name, stream, length_before});
}

void unfinished_stream_closing(FILE* stream)
{
    for (held_file& f : held())
        if (f.stream == stream) f.stream = nullptr;
}

void release_unfinished(const std::string& name)
{
    auto& files = held();
    const auto it = std::find_if(files.rbegin(), files.rend(), [&](const held_file& f) { return f.name == name; });
    if (it != files.rend()) files.erase(std::next(it).base());
}

void undo_unfinished(FILE* report)
{
    auto& files = held();
    while (!files.empty()) {
        const held_file f = files.back();
        files.pop_back();
        if (f.stream) __fpurge(f.stream);
        const char* const name = f.name.c_str();
        if (f.length_before < 0) {
            if (::unlink(name) == 0)
                std::fprintf(report, "The output file %s was left incomplete and has been removed.\n", name);
            else
                std::fprintf(report, "The output file %s is incomplete; it could not be removed: %s\n", name,
                             std::strerror(errno));
        } else if (::truncate(name, static_cast<off_t>(f.length_before)) == 0) {
            std::fprintf(report,
                         "The output file %s was left incomplete and has been cut back to its length before this "
                         "run.\n",
                         name);
        } else {
            std::fprintf(report, "The output file %s is incomplete; it could not be cut back: %s\n", name,
                         std::strerror(errno));
        }
    }
}
