// The entry: environment, argument files, the option loop, the run log and the passes. The
// options record what to do (vorn_options); the mode table runs it (vorn_modes).
#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

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
    if (argc == 1) usage(argv[0]);
    errno = 0;

    entry_state st;
    parse_options(argc, argv, st);
    if (settings.mode == UNKNOWN) usage(argv[0]);
    // A status line for long runs, on a terminal only.
    if (!settings.quiet && !settings.no_progress && ::isatty(STDERR_FILENO)) progress::start();

    logfile(argc, const_cast<const char**>(argv));
    if (optind >= argc) error("No source filename\n");

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
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        error("%s\n", e.what());
    }
}
