#include "vorn_version.h"

// The build may name its revision (for example from the version control system).
#ifndef VORN_REVISION
#define VORN_REVISION "1.0"
#endif

const char* const Version = "vorn Version " VORN_REVISION ", built " __DATE__ " " __TIME__ " by the vorn developers";
const char* const Notice =
    "Copyright (C) 2026 the vorn developers. Free software under the MIT License.\n"
    "This program comes with ABSOLUTELY NO WARRANTY.";
const char* const Contact = "Send bug reports and comments to the vorn developers through the project's issue tracker.";

void print_version(FILE* out)
{
    std::fprintf(out, "%s\n", Version);
    std::fprintf(out, "%s\n", Notice);
    std::fprintf(out, "%s\n", Contact);
}
