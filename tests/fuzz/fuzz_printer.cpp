// The number printer in every form, against the C library's printf.
//
// Input: a mode byte, three doubles (8 bytes each, as stored in memory), then a user format.
//   mode bits 0-1: extra precision for no column, every column, the first or the second;
//   bit 2: the user format is in force (when it is valid); bits 3-4: the output style.
// The normal form must be "%f" with its trailing zeros and point removed, or "%.17g" when the
// "%f" text is longer than 15 characters; the extra-precision form "%.18g"; the user format
// printf's own text. A row written in the standard style must be exactly those texts.
#include <cmath>
#include <cstring>
#include <string>

#include "harness.h"

namespace {

using fuzz::fail;

std::string printf_text(const char* fmt, double v)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int n = std::snprintf(nullptr, 0, fmt, v);
    if (n < 0) return "<printf failed>";
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), fmt, v);
#pragma GCC diagnostic pop
    text.resize(static_cast<size_t>(n));
    return text;
}

std::string normal_reference(double v)
{
    std::string t = printf_text("%f", v);
    if (t.size() > 15) return printf_text("%.17g", v);
    if (t.find('.') != std::string::npos) {
        while (t.size() > 1 && t.back() == '0') t.pop_back();
        if (t.size() > 1 && t.back() == '.') t.pop_back();
    }
    return t;
}

std::string hex(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%a", v);
    return buf;
}

void check_forms(double v)
{
    char buf[64];
    const std::string normal(buf, format_normal_double(buf, v));
    if (normal != normal_reference(v))
        fail("normal form", hex(v) + ": printed " + normal + ", wanted " + normal_reference(v));
    const std::string g18(buf, format_g(buf, v, 18));
    if (g18 != printf_text("%.18g", v)) fail("extra-precision form", hex(v) + ": printed " + g18);
    const std::string g17(buf, format_g(buf, v, 17));
    if (g17 != printf_text("%.17g", v)) fail("%.17g form", hex(v) + ": printed " + g17);
}

// What one cell of column `column` must look like under the settings in force.
std::string cell_reference(size_t column, double v)
{
    if (settings.printspecial) return printf_text(settings.format, v);
    if (settings.xtraprec == -1 || static_cast<long>(column) == settings.xtraprec) return printf_text("%.18g", v);
    return normal_reference(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::reset_state();
    fuzz::input_bytes in(data, size);
    const uint8_t mode = in.byte();
    double row[3];
    for (double& v : row) {
        uint8_t bytes[sizeof(double)];
        for (uint8_t& b : bytes) b = in.byte();
        std::memcpy(&v, bytes, sizeof v);
    }
    const std::string fmt(reinterpret_cast<const char*>(in.rest()), in.rest_size());

    for (double v : row) check_forms(v);

    static const long xtra[] = {-2, -1, 0, 1};
    settings.xtraprec = xtra[mode & 3];
    if (mode & 4) {
        // as the --format option stores it: at most 29 characters, always terminated
        std::strncpy(settings.format, fmt.c_str(), sizeof settings.format - 1);
        if (validate_double_format(settings.format) == 0 && !fuzz::has_long_count(settings.format))
            settings.printspecial = 1;
    }
    switch ((mode >> 3) & 3) {
    case 0: set_output_standard(); break;
    case 1: set_output_c(); break;
    case 2: set_output_csv(); break;
    default: set_output_latex(); break;
    }

    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    if (!out) return 0;
    output.prolog(out, 3, 1);
    writeline(out, row, 3, nullptr);
    output.epilog(out);
    std::fclose(out);
    const std::string written(text, length);
    std::free(text);

    if (((mode >> 3) & 3) == 0) {
        const std::string want =
            cell_reference(0, row[0]) + ' ' + cell_reference(1, row[1]) + ' ' + cell_reference(2, row[2]) + '\n';
        if (written != "1\n" + want) fail("standard row", "printed " + written + "wanted 1\n" + want);
    }
    return 0;
}
