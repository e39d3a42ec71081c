// The selection reader: inline selections and selection files on arbitrary text.
//
// Input: three option bytes, then the selection text.
//   bytes 0-1: the number of entries (0-1023); byte 2: bit 0 inverted marks, bit 1 the text is
//   a selection file (else each of its lines is one inline selection, as one -e each), bit 2
//   debug traces, bit 3 a small line buffer.
// The flag array is exactly as long as the entries, so a mark outside it is a sanitizer report.
// For inline selections the marks must also match a reference that tests every position for
// membership in each token instead of walking the token's positions.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "readflag.h"

namespace {

using fuzz::fail;

std::vector<std::string> split(const std::string& s, char at)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = s.find(at, start);
        parts.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// Marks of one token by membership; false when the token ends the run (a step below 1).
bool reference_token(std::vector<char>& marks, const std::string& token)
{
    const long long n = static_cast<long long>(marks.size());
    int first = 0, step = 0, last = 0;
    if (std::sscanf(token.c_str(), "%8d : %8d : %8d", &first, &step, &last) == 3) {
        if (step < 1) return false;
        const long long end = last == -1 ? n : last;
        long long lo = std::min<long long>(first, end), hi = std::max<long long>(first, end);
        lo = std::max(lo, 1LL);
        for (long long i = 1; i <= n; ++i)
            if (i >= lo && i <= hi && (i - lo) % step == 0) marks[static_cast<size_t>(i - 1)] = 1;
        return true;
    }
    int a = 0, b = 0;
    const int got = std::sscanf(token.c_str(), "%8d - %8d", &a, &b);
    for (long long i = 1; i <= n; ++i) {
        const bool in = got == 2   ? i >= std::max<long long>(1, std::min(a, b)) && i <= std::max(a, b)
                        : got == 1 ? i == a
                                   : false;
        if (in) marks[static_cast<size_t>(i - 1)] = 1;
    }
    return true;
}

// The marks the inline selections give, or false when the run ends with a fatal error.
bool reference_marks(const std::vector<std::string>& selections, size_t vars, int inverse, std::vector<char>& marks)
{
    marks.assign(vars, 0);
    for (const std::string& s : selections)
        if (!std::strchr("0123456789-, ", s.c_str()[0])) return false;
    for (const std::string& s : selections)
        for (const std::string& token : split(s, ','))
            if (!token.empty() && !reference_token(marks, token)) return false;
    if (inverse)
        for (char& m : marks) m = static_cast<char>(1 - m);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::reset_state();
    fuzz::input_bytes in(data, size);
    const size_t vars = in.byte() + 256u * (in.byte() & 3u);
    const uint8_t flags = in.byte();
    settings.inverse = flags & 1;
    settings.debug = (flags >> 2) & 1;
    if (flags & 8) settings.maxbuff = 16;
    const std::string text(reinterpret_cast<const char*>(in.rest()), in.rest_size());
    auto flag = std::make_unique<char[]>(vars);

    if (flags & 2) {
        static fuzz::memory_file file;
        file.assign(text.data(), text.size());
        try {
            readflags(file.name(), flag.get(), settings.inverse, settings.flag_lines, vars);
            flagged(flag.get(), vars);
            printflagged(fuzz::sink(), flag.get(), vars);
        } catch (const fatal_exit&) {
        }
        return 0;
    }

    // Inline: every line of the text is one selection, given in order (each pushed at the front).
    const std::vector<std::string> selections = split(std::string(text.c_str()), '\n');
    std::vector<char> want;
    const bool runs = reference_marks(selections, vars, settings.inverse, want);
    bool ran = true;
    try {
        for (const std::string& s : selections) add_flaglines(settings.flag_lines, s.c_str());
        readflags(nullptr, flag.get(), settings.inverse, settings.flag_lines, vars);
    } catch (const fatal_exit&) {
        ran = false;
    }
    if (ran != runs) fail(ran ? "selection ran, reference ends it" : "selection ended, reference runs it", text);
    if (!ran) return 0;
    if (vars > 0 && std::memcmp(flag.get(), want.data(), vars) != 0) {
        std::string got, wanted;
        for (size_t i = 0; i < vars; ++i) {
            got += static_cast<char>('0' + flag[i]);
            wanted += static_cast<char>('0' + want[i]);
        }
        fail("selection marks differ from the reference", text + "\nmarks " + got + "\nwant  " + wanted);
    }
    size_t unmarked = 0;
    for (size_t i = 0; i < vars; ++i) unmarked += flag[i] == 0;
    if (flagged(flag.get(), vars) != unmarked) fail("flagged count", text);
    printflagged(fuzz::sink(), flag.get(), vars);
    return 0;
}
