#include "at_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "input_source.h"

namespace {

// The vector made by rebuild_argv: the strings and the pointer vector handed to the caller.
// The caller (getopt_long) may reorder the pointers; the strings stay where they are.
struct rebuilt_vector {
    std::vector<std::string> strings;
    std::vector<char*> pointers;
};
std::unique_ptr<rebuilt_vector> rebuilt;

constexpr int LINE_PIECE = 4096;  // one read takes at most LINE_PIECE - 1 characters

}  // namespace

int add_arg_to_argv(int* argc, std::vector<std::string>* out, const char* arg, arg_expansion& expansion, int depth)
{
    if (!expansion.failure.empty()) return 0;
    if ((arg[0] == '@' || arg[0] == '$') && depth < ARG_FILE_MAX_DEPTH) {
        opened_input source = open_input(arg + 1);
        if (source.result == opened_input::status::failed) {
            expansion.failure = source.reason;
            return 0;
        }
        if (source.result == opened_input::status::ok) {
            if (++expansion.files_opened > ARG_FILE_MAX_OPENS) {
                expansion.failure = "Argument files expand too far: more than " + std::to_string(ARG_FILE_MAX_OPENS) +
                                    " files to open (does an argument file name itself?)";
                return 0;
            }
            int lines = 0;
            char piece[LINE_PIECE];
            while (expansion.failure.empty() && std::fgets(piece, sizeof piece, source.stream.get())) {
                if (++expansion.lines_read > ARG_FILE_MAX_LINES) {
                    expansion.failure = "Argument files expand too far: more than " +
                                        std::to_string(ARG_FILE_MAX_LINES) + " lines to read";
                    break;
                }
                if (char* lf = std::strchr(piece, '\n')) *lf = '\0';
                ++lines;
                lines += add_arg_to_argv(argc, out, piece, expansion, depth + 1);
            }
            if (expansion.failure.empty() && std::ferror(source.stream.get()))
                expansion.failure = read_failure(source.stream.get());
            return lines;
        }
    }
    if (arg[0] == '#') return 0;
    ++*argc;
    if (out) out->emplace_back(arg);
    return 0;
}

int add_arg_to_argv(int* argc, std::vector<std::string>* out, const char* arg)
{
    arg_expansion expansion;
    return add_arg_to_argv(argc, out, arg, expansion);
}

int rebuild_argv(int* argc, char*** argv, std::string* failure)
{
    int count = 0;
    int lines = 0;
    arg_expansion counting;
    for (int i = 0; i < *argc; ++i) lines += add_arg_to_argv(&count, nullptr, (*argv)[i], counting);
    if (!counting.failure.empty()) {
        if (failure) *failure = counting.failure;
        return 1;
    }
    if (count == *argc && lines == 0) return 0;

    // The storing pass reads the received vector, which may itself be an earlier rebuilt one:
    // build the new vector aside and replace the old one only afterwards.
    auto fresh = std::make_unique<rebuilt_vector>();
    fresh->strings.reserve(count);
    int stored = 0;
    arg_expansion storing;
    for (int i = 0; i < *argc; ++i) add_arg_to_argv(&stored, &fresh->strings, (*argv)[i], storing);
    if (!storing.failure.empty()) {
        if (failure) *failure = storing.failure;
        return 1;
    }
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
