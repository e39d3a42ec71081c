// The --format validator on arbitrary text.
//
// Input: the option's argument. It is stored as the option stores it (at most 29 characters,
// always terminated) and validated. The verdict must match the rule written independently as a
// regular expression: literal text with doubled '%', one conversion '%' [flags " #0+-"] [width]
// ['.' [precision]] one of "EFGefg", then literal text with doubled '%'; width and precision
// below a billion. An accepted format is
// then printed with the sample number and other values, as the option and the printer do.
#include <cmath>
#include <cstring>
#include <limits>
#include <regex>
#include <string>

#include "compat.h"
#include "harness.h"

namespace {

using fuzz::fail;

// A width or precision must stay below a billion (leading zeros do not count).
bool small_count(const std::string& digits)
{
    const size_t first = digits.find_first_not_of('0');
    return first == std::string::npos || digits.size() - first <= 9;
}

bool reference_accepts(const char* fmt)
{
    static const std::regex rule(R"(([^%]|%%)*%[-+ #0]*([0-9]*)(\.([0-9]*))?[EFGefg]([^%]|%%)*)", std::regex::extended);
    std::cmatch m;
    return std::regex_match(fmt, m, rule) && small_count(m[2].str()) && small_count(m[4].str());
}

void print_with(const char* fmt, double v)
{
    char buf[256];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int n = std::snprintf(buf, sizeof buf, fmt, v);
#pragma GCC diagnostic pop
    if (n < 0) fail("an accepted format cannot print a number", fmt);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::reset_state();
    const std::string arg(reinterpret_cast<const char*>(data), size);
    strlcpy(settings.format, arg.c_str(), sizeof settings.format);
    const bool accepted = validate_double_format(settings.format) == 0;
    if (accepted != reference_accepts(settings.format))
        fail(accepted ? "format accepted against the rule" : "format refused against the rule", settings.format);
    if (!accepted || fuzz::has_long_count(settings.format)) return 0;
    for (double v : {12345678.901234567, 0.0, -1.5, 1e300, -1e-300, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::denorm_min()})
        print_with(settings.format, v);
    return 0;
}
