// Sorts the data rows by a list of columns; one negative column number makes the sort descending.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "operations.h"
#include "utils.h"

namespace {

using sort_func = int (*)(const double* a, const double* b);

// The sort columns of the running sort, 0-based, in the order given.
std::vector<int> scs;

int sortfunc_ascending(const double* a, const double* b)
{
    for (const int col : scs) {
        const double d = a[col] - b[col];
        if (d < 0) return -1;
        if (d > 0) return 1;
        // equal, or a difference that is not a number: the next column decides
    }
    return 0;
}

int sortfunc_descending(const double* a, const double* b) { return -sortfunc_ascending(a, b); }

sort_func sortfunc = sortfunc_ascending;

// Fills scs from the comma-separated text; pieces without a number are skipped.
void process_sortcolumns(const char* sc)
{
    scs.clear();
    sortfunc = sortfunc_ascending;
    std::string copy(sc);
    size_t start = 0;
    while (start <= copy.size()) {
        size_t comma = copy.find(',', start);
        if (comma == std::string::npos) comma = copy.size();
        const std::string piece = copy.substr(start, comma - start);
        int n = 0;
        if (std::sscanf(piece.c_str(), "%8d", &n) == 1) {
            if (n < 0) {
                n = -n;
                sortfunc = sortfunc_descending;
            }
            scs.push_back(n - 1);
        }
        start = comma + 1;
    }
}

}  // namespace

void sortera(const char* namein, const char* nameut, const char* sortcolumns, size_t* vars, size_t* rows)
{
    if (!sortcolumns) error("no sorting columns");
    process_sortcolumns(sortcolumns);
    const bool descending = sortfunc == sortfunc_descending;
    if (settings.quiet)
        std::fprintf(stderr, "Vorn: Sorting %s ", descending ? "desc" : "asc");
    else
        std::fprintf(stderr, "Sorting %s\n", descending ? "descending" : "ascending");

    open__files of(namein, nameut);
    size_t lines = 0;
    const size_t antal = openfiles_t(of, nullptr, nullptr, &lines);

    for (size_t i = 0; i < scs.size(); ++i)
        if (scs[i] < 0 || static_cast<size_t>(scs[i]) >= antal)
            error("sorting column %d out of range ( 1 <= %d <= %lu)", static_cast<int>(i), scs[i] + 1,
                  static_cast<unsigned long>(antal));
    if (!settings.quiet) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(lines));

    if (antal > 0 && lines > 0) {
        const double_table table = my_malloc_array_(lines, antal);
        read_counted_rows(of.in, table, lines, antal, of.out, true);

        if (!settings.quiet) std::fprintf(stderr, "Sorting...");
        // Only the row pointers move. A merge sort stays well-behaved when values that are not
        // numbers make the comparison inconsistent.
        std::stable_sort(table.rows.get(), table.rows.get() + lines,
                         [](const double* a, const double* b) { return sortfunc(a, b) < 0; });
        if (!settings.quiet) std::fprintf(stderr, "done\n");

        for (size_t r = 0; r < lines; ++r) writeline(of.out, table[r], antal, nullptr);
    }
    closefiles(of);
    scs.clear();
    scs.shrink_to_fit();
    *vars = antal;
    *rows = lines;
}
