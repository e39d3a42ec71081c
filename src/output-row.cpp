// Row writing: a whole row is formatted into one chunk of memory and handed to the stream in one
// write, so that the stream is called once per row instead of once per cell.
#include <bit>
#include <cstdint>
#include <cstring>

#include "output.h"
#include "vorn_variables.h"

namespace {

// Room every cell may need in the chunk: the longest normal or long form (25 characters, as in
// "-2.22507385850720138e-308") and the longest punctuation, with some to spare.
constexpr size_t CELL_ROOM = 64;

class row_chunk {
public:
    explicit row_chunk(FILE* out) : out_(out) {}
    row_chunk(const row_chunk&) = delete;
    row_chunk& operator=(const row_chunk&) = delete;
    ~row_chunk() { flush(); }

    // A place for at most CELL_ROOM bytes; commit() says how many were written.
    char* room()
    {
        if (pos_ + CELL_ROOM > sizeof buf_) flush();
        return buf_ + pos_;
    }
    void commit(const char* end) { pos_ = static_cast<size_t>(end - buf_); }

    void put(const char* s, size_t n)
    {
        if (n > sizeof buf_ - pos_) flush();
        if (n > sizeof buf_) {
            fwrite_unlocked(s, 1, n, out_);
            return;
        }
        std::memcpy(buf_ + pos_, s, n);
        pos_ += n;
    }

    // A value in the user's format. Its width has no bound: a cell that does not fit in the
    // chunk goes to the stream directly.
    void put_special(double v)
    {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        size_t avail = sizeof buf_ - pos_;
        int n = std::snprintf(buf_ + pos_, avail, settings.format, v);
        if (n < 0) return;
        if (static_cast<size_t>(n) >= avail) {
            flush();
            avail = sizeof buf_;
            n = std::snprintf(buf_, avail, settings.format, v);
            if (n < 0) return;
            if (static_cast<size_t>(n) >= avail) {
                std::fprintf(out_, settings.format, v);
                return;
            }
        }
        pos_ += static_cast<size_t>(n);
#pragma GCC diagnostic pop
    }

    void flush()
    {
        if (pos_) fwrite_unlocked(buf_, 1, pos_, out_);
        pos_ = 0;
    }

private:
    FILE* out_;
    size_t pos_ = 0;
    char buf_[16384];
};

// Copies n (a few) bytes and returns the end.
inline char* put_small(char* p, const char* s, size_t n)
{
    if (n == 1) {
        *p = *s;
        return p + 1;
    }
    std::memcpy(p, s, n);
    return p + n;
}

inline bool same_bits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

enum class number_form { normal, long_all, long_one, user };

template <number_form Form>
void write_cells(row_chunk& chunk, const double* var, size_t vars, const char* flag, const field_text* text,
                 const row_punctuation& punct)
{
    const size_t long_column = static_cast<size_t>(settings.xtraprec);
    bool first = true;
    for (size_t i = 0; i < vars; ++i) {
        if (flag && flag[i]) continue;
        if constexpr (Form == number_form::user) {
            if (!first) chunk.put(punct.separator, punct.separator_len);
            chunk.put_special(var[i]);
        } else {
            char* p = chunk.room();
            if (!first) p = put_small(p, punct.separator, punct.separator_len);
            if constexpr (Form == number_form::long_all) {
                p = format_g(p, var[i], 18);
            } else {
                if (Form == number_form::long_one && i == long_column)
                    p = format_g(p, var[i], 18);
                else if (text && text[i].len && text[i].len <= 24 && same_bits(text[i].value, var[i]))
                    p = put_small(p, text[i].text, text[i].len);
                else
                    p = format_normal_double(p, var[i]);
            }
            chunk.commit(p);
        }
        first = false;
    }
}

}  // namespace

void write_row(FILE* out, const double* var, size_t vars, const char* flag, const field_text* text,
               const row_punctuation& punct)
{
    row_chunk chunk(out);
    chunk.put(punct.start, punct.start_len);
    // The number form is chosen once per row, as printdouble_original chooses it per cell.
    if (settings.printspecial)
        write_cells<number_form::user>(chunk, var, vars, flag, text, punct);
    else if (settings.xtraprec == -1)
        write_cells<number_form::long_all>(chunk, var, vars, flag, text, punct);
    else if (settings.xtraprec >= 0)
        write_cells<number_form::long_one>(chunk, var, vars, flag, text, punct);
    else
        write_cells<number_form::normal>(chunk, var, vars, flag, text, punct);
    chunk.put(punct.end, punct.end_len);
}
