// The entry: environment, argument files, the option loop, the run log and the passes. The
// options record what to do (vorn_options); the mode table runs it (vorn_modes).
#include <fcntl.h>
#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "at_file.h"
#include "input_source.h"
#include "logfile.h"
#include "mypath.h"
#include "progress.h"
#include "utils.h"
#include "vorn_help.h"
#include "vorn_modes.h"
#include "vorn_options.h"
#include "vorn_version.h"

namespace {

// Descriptors 0 to 2 that the process was started without are opened on /dev/null before
// anything else is opened, so that no file the run opens takes their place. Standard output is
// opened for reading only: writing to it fails as writing to a closed descriptor would.
void open_standard_descriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", fd == STDOUT_FILENO ? O_RDONLY : O_RDWR);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

// Where a name leads: the file itself when it exists, else its folder and last part, so that
// two spellings of one place compare equal.
struct place {
    file_identity file;
    file_identity folder;
    std::string last;
};

place place_of(const std::string& name)
{
    place p{identity_of_path(name.c_str()), {}, {}};
    if (p.file.known) return p;
    const size_t slash = name.rfind('/');
    p.folder = identity_of_path(slash == std::string::npos ? "." : name.substr(0, slash + 1).c_str());
    p.last = slash == std::string::npos ? name : name.substr(slash + 1);
    return p;
}

bool same_place(const place& a, const place& b)
{
    if (a.file.known || b.file.known)
        return a.file.known && b.file.known && a.file.dev == b.file.dev && a.file.ino == b.file.ino;
    return a.folder.known && b.folder.known && a.folder.dev == b.folder.dev && a.folder.ino == b.folder.ino &&
           a.last == b.last;
}

// In wildcard mode every output name of the run is checked against every input and every other
// output before anything is written: a collision would overwrite a result or an input.
void refuse_colliding_names(int first, int argc, char** argv)
{
    std::vector<std::pair<place, std::string>> inputs;
    std::vector<std::tuple<place, std::string, std::string>> outputs;  // place, name, its input
    for (int i = first; i < argc; ++i) {
        inputs.emplace_back(place_of(argv[i]), argv[i]);
        std::vector<std::string> names;
        if (settings.mode == SPLIT)
            names = {wildcard_output_name(argv[i], ".trn"), wildcard_output_name(argv[i], ".tst")};
        else if (mode_entry(settings.mode).writes_output)
            names = {wildcard_output_name(argv[i], settings.wildext)};
        for (const std::string& name : names) outputs.emplace_back(place_of(name), name, argv[i]);
    }
    for (size_t o = 0; o < outputs.size(); ++o) {
        const auto& [where, name, from] = outputs[o];
        for (const auto& [input_place, input] : inputs)
            if (same_place(where, input_place))
                error("Output file %s of %s would overwrite the input %s\n", name.c_str(), from.c_str(), input.c_str());
        for (size_t other = 0; other < o; ++other)
            if (same_place(where, std::get<0>(outputs[other])))
                error("Output file %s of %s is also the output file %s of %s\n", name.c_str(), from.c_str(),
                      std::get<1>(outputs[other]).c_str(), std::get<2>(outputs[other]).c_str());
    }
}

int run(int argc, char** argv)
{
    const int old_argc = argc;
    char** const old_argv = argv;
    std::setlocale(LC_TIME, "");
    if (const char* env = std::getenv("VORN")) parse_env(env);
    std::string expansion_failure;
    if (rebuild_argv(&argc, &argv, &expansion_failure) != 0) error("%s\n", expansion_failure.c_str());
    settings.mode = UNKNOWN;
    settings.inverse = 0;
    static char stderr_buffer[512];
    std::setvbuf(stderr, stderr_buffer, _IOLBF, sizeof stderr_buffer);
    if (argc == 1) no_operation(argv[0]);
    errno = 0;

    entry_state st;
    parse_options(argc, argv, st);
    if (settings.mode == UNKNOWN) no_operation(argv[0]);
    // A status line for long runs, on a terminal only.
    if (!settings.quiet && !settings.no_progress && ::isatty(STDERR_FILENO)) progress::start();

    logfile(argc, const_cast<const char**>(argv), optind);
    if (optind >= argc) error("No source filename\n");
    if (settings.wildcards) refuse_colliding_names(optind, argc, argv);

    int first_round = 1;
    for (int idx = optind; idx < argc;) {
        const char* namein = argv[idx];
        std::optional<std::string> nameout;
        std::optional<std::string> namebort;
        if (!settings.wildcards) {
            if (idx + 1 < argc)
                nameout = argv[idx + 1];
            else if (st.need_destination || mode_entry(settings.mode).writes_output)
                error("No destination filename");
            if (idx + 2 < argc)
                namebort = argv[idx + 2];
            else if (st.need_flags && settings.flag_lines.empty())
                error("No vornfile name or -e option");
        } else {
            nameout = wildcard_output_name(namein, settings.wildext);
        }
        if (nameout && namebort) refuse_output_onto_selection(nameout->c_str(), namebort->c_str());
        dispatch(st,
                 {namein, nameout ? nameout->c_str() : nullptr, namebort ? namebort->c_str() : nullptr, first_round});
        std::fflush(stderr);
        progress::erase();
        finish_standard_output();
        release_input_copies();
        if (!settings.wildcards) break;
        ++idx;
        ++first_round;
    }

    settings.flag_lines.clear();
    settings.cut_lines.clear();
    if (settings.quiet)
        std::fputc('\n', stderr);
    else {
        std::fprintf(stderr, "\n%s\n", Version);
        std::fprintf(stderr, "%s\n", Notice);
    }
    if (argv != old_argv) restore_argv(&argc, &argv, old_argc, old_argv);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // Memory is never reported by an exception (see memory.cpp); anything else the library
    // throws still ends the run through the fatal path.
    open_standard_descriptors();
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        error("%s\n", e.what());
    }
}
