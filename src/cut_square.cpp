// Cut a sub-grid out of a data file: the rows named by the cut-square selection and, of those,
// the selected columns.
#include "frame.h"
#include "operations.h"
#include "readflag.h"

namespace {

// Lists the 1-based positions whose mark equals `mark`, as runs ("3 " or "5-7 ").
void print_runs(FILE* f, const char* flag, size_t n, char mark)
{
    size_t i = 0;
    while (i < n) {
        if (flag[i] != mark) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < n && flag[i] == mark) ++i;
        if (i - start == 1)
            std::fprintf(f, "%u ", static_cast<unsigned>(start + 1));
        else
            std::fprintf(f, "%u-%u ", static_cast<unsigned>(start + 1), static_cast<unsigned>(i));
    }
}

}  // namespace

void cut_square(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    // Column mark 0 means written; the prolog announces how many that are.
    frame f(namein, nameout, {.flagfile = flagfile, .count_rows = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    const flag_array& colflag = f.marks();

    // Row mark 1 means written; the row selection is never inverted.
    auto rowflags = my_calloc(char, lines);
    readflags(nullptr, rowflags.get(), 0, settings.cut_lines, lines, {"row", namein});

    std::fprintf(stderr, settings.quiet ? "Vorn: Keep rows " : "Keep rows ");
    print_runs(stderr, rowflags.get(), lines, 1);
    std::fprintf(stderr, "cols ");
    print_runs(stderr, colflag.data(), antal, 0);
    std::fputc('\n', stderr);
    if (!settings.quiet) std::fprintf(stderr, "%s -> %s\n", namein, nameout ? nameout : "(null)");

    size_t count = 0;
    if (antal > 0) {
        auto row = my_malloc(double, antal);
        // Rows after the counted leading run are never read.
        while (count < lines && f.read(row.get())) {
            if (rowflags[count] == 1) f.write(row.get(), antal, colflag.data());
            ++count;
        }
    }
    f.finish(vars, rows, count);
}
