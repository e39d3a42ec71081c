// Sorts the data rows by a list of columns; one negative column number makes the sort descending.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "frame.h"
#include "operations.h"

namespace {

// The sort columns, 0-based, in the order given, and the direction.
struct sort_order {
    std::vector<int> columns;
    bool descending = false;

    // -1, 0 or 1 for ascending order: the first column whose values differ decides.
    int compare(const double* a, const double* b) const
    {
        for (const int col : columns) {
            const double d = a[col] - b[col];
            if (d < 0) return -1;
            if (d > 0) return 1;
            // equal, or a difference that is not a number: the next column decides
        }
        return 0;
    }
};

// Reads the comma-separated column numbers; pieces without a number are skipped.
sort_order process_sortcolumns(const char* sc)
{
    sort_order order;
    const std::string copy(sc);
    size_t start = 0;
    while (start <= copy.size()) {
        size_t comma = copy.find(',', start);
        if (comma == std::string::npos) comma = copy.size();
        const std::string piece = copy.substr(start, comma - start);
        int n = 0;
        if (std::sscanf(piece.c_str(), "%8d", &n) == 1) {
            if (n < 0) {
                n = -n;
                order.descending = true;
            }
            order.columns.push_back(n - 1);
        }
        start = comma + 1;
    }
    return order;
}

}  // namespace

void sortera(const char* namein, const char* nameut, const char* sortcolumns, size_t* vars, size_t* rows)
{
    if (!sortcolumns) error("no sorting columns");
    const sort_order order = process_sortcolumns(sortcolumns);
    announce("Vorn: Sorting %s ", "Sorting %sending\n", order.descending ? "desc" : "asc");

    frame f(namein, nameut, {.marks = false, .count_rows = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    for (size_t i = 0; i < order.columns.size(); ++i)
        if (order.columns[i] < 0 || static_cast<size_t>(order.columns[i]) >= antal)
            error("sorting column %d out of range ( 1 <= %d <= %lu)", static_cast<int>(i), order.columns[i] + 1,
                  static_cast<unsigned long>(antal));
    if (!settings.quiet) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(lines));

    whole_file(f, lines, {}, [&order](double_table& table) {
        if (!settings.quiet) std::fprintf(stderr, "Sorting...");
        // Only the row pointers move. A merge sort stays well-behaved when values that are not
        // numbers make the comparison inconsistent.
        const int sign = order.descending ? -1 : 1;
        std::stable_sort(table.rows.get(), table.rows.get() + table.nrows,
                         [&order, sign](const double* a, const double* b) { return sign * order.compare(a, b) < 0; });
        if (!settings.quiet) std::fprintf(stderr, "done\n");
    });
    f.finish(vars, rows, lines);
}
