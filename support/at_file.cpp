#include "at_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// The vector made by rebuild_argv: the strings and the pointer vector handed to the caller.
// The caller (getopt_long) may reorder the pointers; the strings stay where they are.
struct rebuilt_vector {
    std::vector<std::string> strings;
    std::vector<char*> pointers;
};
std::unique_ptr<rebuilt_vector> rebuilt;

constexpr int LINE_PIECE = 4096;  // one read takes at most LINE_PIECE - 1 characters

struct file_closer {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

int add_arg_to_argv(int* argc, std::vector<std::string>* out, const char* arg, int depth)
{
    if ((arg[0] == '@' || arg[0] == '$') && depth < ARG_FILE_MAX_DEPTH) {
        std::unique_ptr<FILE, file_closer> file(std::fopen(arg + 1, "r"));
        if (file) {
            int lines = 0;
            char piece[LINE_PIECE];
            while (std::fgets(piece, sizeof piece, file.get())) {
                if (char* lf = std::strchr(piece, '\n')) *lf = '\0';
                ++lines;
                lines += add_arg_to_argv(argc, out, piece, depth + 1);
            }
            return lines;
        }
    }
    if (arg[0] == '#') return 0;
    ++*argc;
    if (out) out->emplace_back(arg);
    return 0;
}

int rebuild_argv(int* argc, char*** argv)
{
    int count = 0;
    int lines = 0;
    for (int i = 0; i < *argc; ++i) lines += add_arg_to_argv(&count, nullptr, (*argv)[i]);
    if (count == *argc && lines == 0) return 0;

    // The storing pass reads the received vector, which may itself be an earlier rebuilt one:
    // build the new vector aside and replace the old one only afterwards.
    auto fresh = std::make_unique<rebuilt_vector>();
    fresh->strings.reserve(count);
    int stored = 0;
    for (int i = 0; i < *argc; ++i) add_arg_to_argv(&stored, &fresh->strings, (*argv)[i]);
    fresh->pointers.reserve(fresh->strings.size() + 2);
    for (auto& s : fresh->strings) fresh->pointers.push_back(s.data());
    fresh->pointers.push_back(nullptr);
    fresh->pointers.push_back(nullptr);

    *argc = stored;
    *argv = fresh->pointers.data();
    rebuilt = std::move(fresh);
    return 0;
}

int restore_argv(int* argc, char*** argv, int old_argc, char** old_argv)
{
    if (*argv == old_argv) return 0;
    if (rebuilt && *argv == rebuilt->pointers.data()) rebuilt.reset();
    *argc = old_argc;
    *argv = old_argv;
    return 0;
}
