// The expression language: a program compiled and run on the rows of a small data file, with a
// prolog and an epilog, through the eval operation itself.
//
// Input: one option byte, then the program texts separated by NUL bytes: the expression, then
// (when present) the prolog, then the epilog.
//   byte 0: bits 0-1 the data file (three rows of three columns, one column with a comment,
//   twelve columns, no data rows), bit 2 debug traces.
// The output goes to /dev/null; what counts is that no text makes the evaluator crash, hang,
// leak or misbehave.
#include <string>
#include <vector>

#include "evaluate.h"
#include "harness.h"
#include "operations.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::reset_state();
    fuzz::input_bytes in(data, size);
    const uint8_t flags = in.byte();
    settings.debug = (flags >> 2) & 1;
    static const char* const files[] = {
        "1 2 3\n4 5 6\n-7.5 0 1e300\n",
        "# a comment\n0.5\n-2\n",
        "1 2 3 4 5 6 7 8 9 10 11 12\n12 11 10 9 8 7 6 5 4 3 2 1\n",
        "# no data rows\n",
    };
    static fuzz::memory_file input;
    const std::string file = files[flags & 3];
    input.assign(file.data(), file.size());

    std::vector<std::string> texts;
    const std::string rest(reinterpret_cast<const char*>(in.rest()), in.rest_size());
    for (size_t start = 0;;) {
        const size_t nul = rest.find('\0', start);
        texts.push_back(rest.substr(start, nul == std::string::npos ? std::string::npos : nul - start));
        if (nul == std::string::npos || texts.size() == 3) break;
        start = nul + 1;
    }
    const char* prolog = texts.size() > 1 ? texts[1].c_str() : nullptr;
    const char* epilog = texts.size() > 2 ? texts[2].c_str() : nullptr;
    if (epilog) settings.extra_lines += 1;
    settings.mode = EVAL;

    size_t vars = 0, rows = 0;
    try {
        eval(input.name(), "/dev/null", nullptr, texts[0].c_str(), prolog, epilog, &vars, &rows);
    } catch (const fatal_exit&) {
    }
    return 0;
}
