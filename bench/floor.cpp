// The floor of the --nop job: the least a program can do to write the same bytes as
// `vorn -# --nop FILE -` for a file of plain numeric lines (comment lines start with '#'): read the
// file in large blocks, take each number with the program's exact reader, copy the fields that
// print as themselves, print the others in the normal form, and write in large blocks. No line
// reader, no output stream, no style, none of the options. Usage: vorn_floor FILE > OUT
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "output.h"
#include "utils.h"

namespace {

constexpr size_t BLOCK = 4 << 20;

class block_writer {
public:
    ~block_writer() { flush(); }
    char* room(size_t n)
    {
        if (pos_ + n > buf_.size()) flush();
        return buf_.data() + pos_;
    }
    void commit(char* end) { pos_ = static_cast<size_t>(end - buf_.data()); }
    void flush()
    {
        size_t done = 0;
        while (done < pos_) {
            const ssize_t n = ::write(1, buf_.data() + done, pos_ - done);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
        pos_ = 0;
    }

private:
    std::vector<char> buf_ = std::vector<char>(BLOCK);
    size_t pos_ = 0;
};

inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One data line [p, end) (no line end; *end is a writable byte) as the normal form writes it.
void copy_line(char* p, char* end, block_writer& out)
{
    *end = '\0';
    bool first = true;
    for (;;) {
        while (p < end && is_blank(*p)) ++p;
        if (p >= end) break;
        double v;
        bool itself;
        const char* q = read_double_text(p, end, &v, &itself);
        if (!q) break;
        char* o = out.room(64);
        if (!first) *o++ = ' ';
        if (itself) {
            std::memcpy(o, p, static_cast<size_t>(q - p));
            o += q - p;
        } else {
            o = format_normal_double(o, v);
        }
        out.commit(o);
        first = false;
        p = const_cast<char*>(q);
    }
    char* o = out.room(1);
    *o++ = '\n';
    out.commit(o);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorn_floor FILE\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::vector<char> in(BLOCK + 1);
    block_writer out;
    size_t have = 0;
    for (;;) {
        const ssize_t n = ::read(fd, in.data() + have, BLOCK - have);
        if (n < 0) return 1;
        have += static_cast<size_t>(n);
        char* p = in.data();
        char* const stop = in.data() + have;
        for (;;) {
            char* nl = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(stop - p)));
            if (!nl) {
                if (n == 0 && p < stop)
                    nl = stop;  // a last line without its line end
                else
                    break;
            }
            if (*p != '#' && nl > p) copy_line(p, nl, out);
            p = nl < stop ? nl + 1 : stop;
        }
        have = static_cast<size_t>(stop - p);
        std::memmove(in.data(), p, have);
        if (n == 0) break;
    }
    ::close(fd);
    return 0;
}
