// The line reader and the number reader on arbitrary bytes.
//
// Input: four option bytes, then the data file.
//   byte 0: bit 0 keep comments, bit 1 starred lines are comments, bits 2-3 the input delimiter
//           (none, ',', ';', tab), bit 4 a small line buffer, bit 5 comments go to a stream
//   byte 1: lines to skip (0-3); byte 2: characters to skip (0-7); byte 3: small buffer size
// Every number the readers meet is also read with the C library's scan: both must agree on the
// value (bit for bit) and on where the number ends.
#include <cmath>
#include <cstring>
#include <string>

#include "harness.h"
#include "transpos.h"

namespace {

using fuzz::fail;
using fuzz::sink;

std::string show(const char* p, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n && p[i]; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c >= 32 && c < 127)
            s += static_cast<char>(c);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            s += hex;
        }
    }
    return s;
}

bool same_double(double a, double b)
{
    if (std::isnan(a) && std::isnan(b)) return std::signbit(a) == std::signbit(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline bool is_c_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// read_double at the start of every field of `text` against sscanf("%lf%n") at the same place.
void compare_numbers(const char* text)
{
    const char* const end = text + std::strlen(text);
    const char* p = text;
    while (p < end) {
        double want = 0, got = 0;
        int used = -1;
        const int matched = std::sscanf(p, "%lf%n", &want, &used);
        const char* q = read_double(p, end, &got);
        if (matched != 1 || used < 0) {
            if (q) fail("a number the library cannot read was read", show(p, 40));
        } else {
            if (!q) fail("a number the library reads was not read", show(p, 40));
            if (q - p != used)
                fail("the number ends elsewhere than the library's",
                     show(p, 40) + " ends after " + std::to_string(q - p) + ", library " + std::to_string(used));
            if (!same_double(got, want)) {
                char buf[128];
                std::snprintf(buf, sizeof buf, " read %a, library %a", got, want);
                fail("the number's value differs from the library's", show(p, 40) + buf);
            }
        }
        // on to the next field
        while (p < end && !is_c_space(static_cast<unsigned char>(*p)) && *p != ',') ++p;
        while (p < end && (is_c_space(static_cast<unsigned char>(*p)) || *p == ',')) ++p;
    }
}

void read_file(const uint8_t* data, size_t size, bool comments_to_stream)
{
    open__files of;  // closes the stream at scope end
    of.in = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (!of.in) return;
    FILE* const in = of.in;

    const size_t antal = scan(in);
    const size_t rows = get_rows(in, antal);
    // A line of n characters holds at most n/2 + 1 numbers: the counts stay small.
    if (antal > size + 1) fail("more columns than characters", std::to_string(antal));
    FILE* ut = comments_to_stream ? sink() : nullptr;
    auto row = my_malloc(double, antal + 1);
    size_t read = 0;
    while (readline(of, row.get(), ut, antal)) {
        writeline(sink(), row.get(), antal, nullptr);
        ++read;
    }
    // Reading ends early only at a line no longer than the characters to skip.
    if (settings.skip_columns == 0 && read < rows)
        fail("fewer rows read than counted", std::to_string(read) + " < " + std::to_string(rows));

    // The whole-file readers: the counted rows into one table, and the transposing parser.
    if (rows > 0 && antal > 0 && rows * antal < 100000) {
        std::rewind(in);
        const double_table table = my_malloc_array_(rows, antal);
        for (size_t r = 0; r < rows; ++r)
            if (!readline(of, table[r], ut, antal)) break;
        std::rewind(in);
        auto buffer = line_buffer();
        for (size_t r = 0; r < rows; ++r) {
            const char* line = myfgets_o(buffer.get(), settings.maxbuff, in, nullptr);
            if (!line) break;
            parse_fields16(line, row.get(), antal);
        }
    }
    flush_comments(sink());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::reset_state();
    fuzz::input_bytes in(data, size);
    const uint8_t flags = in.byte();
    const uint8_t skip_rows = in.byte();
    const uint8_t skip_columns = in.byte();
    const uint8_t small = in.byte();
    static const char delimiters[] = {0, ',', ';', '\t'};
    settings.keep_comments = flags & 1;
    settings.starskip = (flags >> 1) & 1;
    settings.input_delimiter = delimiters[(flags >> 2) & 3];
    if (flags & 16) settings.maxbuff = 2 + small % 64;  // long lines arrive in pieces
    settings.skip_rows = skip_rows % 4;
    settings.skip_columns = skip_columns % 8;

    // The numbers of the whole input (up to its first NUL), as the readers would meet them.
    const std::string text(reinterpret_cast<const char*>(in.rest()), in.rest_size());
    compare_numbers(text.c_str());

    try {
        read_file(in.rest(), in.rest_size(), (flags & 32) != 0);
    } catch (const fatal_exit&) {
    }
    return 0;
}
