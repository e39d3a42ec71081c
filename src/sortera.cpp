// Sorts the data rows by a list of columns; one negative column number makes the sort descending.
//
// The order: the listed columns in turn decide, each by value; rows equal in every listed column
// keep their input order. That is a total order as long as every sort key is a number, so sorting
// the whole file in memory and merging sorted runs spilled to temporary files give the same rows
// in the same order. A value that is not a number compares equal to everything: in memory the
// rows then keep the order a merge sort of the row pointers gives them; runs spilled to temporary
// files need a total order, so there such values come after all numbers, in either direction.
#include "sortera.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "frame.h"
#include "operations.h"
#include "progress.h"
#include "spill.h"

uint64_t order_key(double value, bool descending)
{
    if (value != value) return std::numeric_limits<uint64_t>::max();
    if (value == 0) value = 0.0;
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    // Negative numbers (sign bit set) below the positive ones, each in order of magnitude.
    const uint64_t up = bits >> 63 ? ~bits : bits | (uint64_t{1} << 63);
    return descending ? ~up : up;
}

namespace {

// The sort columns, 0-based, in the order given, and the direction.
struct sort_order {
    std::vector<int> columns;
    bool descending = false;

    uint64_t key(const double* row, size_t i) const { return order_key(row[columns[i]], descending); }
    // The first sort column's key (0 for every row when there is none).
    uint64_t first_key(const double* row) const { return columns.empty() ? 0 : key(row, 0); }
    // Three-way comparison of two rows by the sort columns from `from` on.
    int compare(const double* a, const double* b, size_t from = 0) const
    {
        for (size_t i = from; i < columns.size(); ++i) {
            const uint64_t ka = key(a, i);
            const uint64_t kb = key(b, i);
            if (ka != kb) return ka < kb ? -1 : 1;
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

// A row's place in the sort: its first sort key and its position, packed so that a row costs 12
// bytes beside its values.
struct __attribute__((packed)) sort_record {
    uint64_t key;
    uint32_t row;
};
static_assert(sizeof(sort_record) == 12);

constexpr size_t MOST_RECORDS = std::numeric_limits<uint32_t>::max();

// Sorts records by their keys, byte after byte from the most significant, in place: each pass
// moves the records into the buckets of one key byte and goes on in every bucket. Small buckets,
// and records whose keys are equal throughout, are finished by `before`, which must order by
// the key first.
template <class Before>
void radix_sort(sort_record* a, size_t n, int byte, const Before& before)
{
    constexpr size_t SMALL = 64;
    for (;;) {
        if (n <= SMALL || byte < 0) {
            std::sort(a, a + n, before);
            return;
        }
        const int shift = 8 * byte;
        const auto digit = [shift](const sort_record& r) { return static_cast<unsigned>((r.key >> shift) & 0xff); };
        size_t count[256] = {};
        for (size_t i = 0; i < n; ++i) ++count[digit(a[i])];
        // A byte that all keys share needs no pass.
        if (count[digit(a[0])] == n) {
            --byte;
            continue;
        }
        size_t next[256];
        size_t end[256];
        size_t at = 0;
        for (unsigned b = 0; b < 256; ++b) {
            next[b] = at;
            at += count[b];
            end[b] = at;
        }
        // Every record goes straight to its bucket, the one it displaces on along its way.
        for (unsigned b = 0; b < 256; ++b) {
            while (next[b] < end[b]) {
                sort_record moving = a[next[b]];
                unsigned d = digit(moving);
                while (d != b) {
                    std::swap(moving, a[next[d]++]);
                    d = digit(moving);
                }
                a[next[b]++] = moving;
            }
        }
        size_t from = 0;
        for (unsigned b = 0; b < 256; ++b) {
            if (count[b] > 1) radix_sort(a + from, count[b], byte - 1, before);
            from += count[b];
        }
        return;
    }
}

// Puts rows 0..n-1 of the table `rows` (vars values each) in order: `records` receives them in
// sorted order. Only the keys and positions move.
void order_rows(const double* rows, size_t vars, size_t n, const sort_order& order, sort_record* records)
{
    for (size_t r = 0; r < n; ++r) records[r] = {order.first_key(rows + r * vars), static_cast<uint32_t>(r)};
    if (order.columns.size() <= 1) {
        radix_sort(records, n, 7, [](const sort_record& a, const sort_record& b) {
            const uint64_t ka = a.key, kb = b.key;
            return ka < kb || (ka == kb && a.row < b.row);
        });
        return;
    }
    radix_sort(records, n, 7, [&](const sort_record& a, const sort_record& b) {
        const uint64_t ka = a.key, kb = b.key;
        if (ka != kb) return ka < kb;
        const uint32_t ra = a.row, rb = b.row;
        const int c = order.compare(rows + ra * vars, rows + rb * vars, 1);
        return c != 0 ? c < 0 : ra < rb;
    });
}

// The rows of `table` in the order of `records`, handed to put(row). The rows lie scattered over
// the table: they are copied in batches into a small buffer first, in a tight loop that keeps
// many fetches from memory in flight, each row asked for ahead of its turn.
template <class Put>
void in_order(const row_table& table, const sort_record* records, size_t n, Put put)
{
    constexpr size_t AHEAD = 16;
    constexpr size_t BATCH_BYTES = 32768;
    const size_t vars = table.ncolumns;
    const size_t row_bytes = vars * sizeof(double);
    const size_t batch = std::max<size_t>(1, std::min<size_t>(512, BATCH_BYTES / row_bytes));
    auto gathered = my_malloc(double, batch* vars);
    for (size_t start = 0; start < n; start += batch) {
        const size_t m = std::min(batch, n - start);
        for (size_t j = 0; j < m; ++j) {
            const size_t i = start + j;
            if (i + AHEAD < n) {
                const double* later = table[records[i + AHEAD].row];
                __builtin_prefetch(later);
                __builtin_prefetch(later + vars - 1);
            }
            std::memcpy(gathered.get() + j * vars, table[records[i].row], row_bytes);
        }
        for (size_t j = 0; j < m; ++j) put(static_cast<const double*>(gathered.get() + j * vars));
    }
}

// Whether a value that is not a number stands in a sort column of the table.
// How the rows to sort are read: strictly, a NaN in a sort column is refused as it is read.
whole_file_rules strict_keys(const sort_order& order)
{
    return {.key_columns = settings.strict ? &order.columns : nullptr};
}

bool nan_in_sort_columns(const row_table& table, const sort_order& order)
{
    for (size_t r = 0; r < table.nrows; ++r)
        for (const int col : order.columns)
            if (std::isnan(table[r][col])) return true;
    return false;
}

// The order of a table in memory whose sort columns hold values that are not numbers: such a
// value compares equal to everything in its column (the difference of two values decides, and a
// difference that is not a number counts as equal), and a merge sort of the row pointers decides
// the rest, as it always has.
void sort_rows_with_nan(frame& f, const row_table& table, const sort_order& order)
{
    std::vector<const double*> rows(table.nrows);
    for (size_t r = 0; r < table.nrows; ++r) rows[r] = table[r];
    const auto ascending = [&order](const double* a, const double* b) {
        for (const int col : order.columns) {
            const double d = a[col] - b[col];
            if (d < 0) return -1;
            if (d > 0) return 1;
        }
        return 0;
    };
    const int sign = order.descending ? -1 : 1;
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const double* a, const double* b) { return sign * ascending(a, b) < 0; });
    for (const double* row : rows) f.write(row, table.ncolumns);
}

void sort_in_memory(frame& f, size_t lines, const sort_order& order)
{
    whole_file(f, lines, strict_keys(order), [&](const row_table& table) {
        if (!settings.quiet) std::fprintf(stderr, "Sorting...");
        progress::pass("sorting");
        if (nan_in_sort_columns(table, order)) {
            sort_rows_with_nan(f, table, order);
            if (!settings.quiet) std::fprintf(stderr, "done\n");
            return;
        }
        big_array<sort_record> records(lines);
        order_rows(table[0], table.ncolumns, lines, order, records.get());
        if (!settings.quiet) std::fprintf(stderr, "done\n");
        progress::pass("writing");
        in_order(table, records.get(), lines, [&](const double* row) { f.write(row, table.ncolumns); });
    });
}

// Sorts runs that fit in the budget, spills each, and merges them into the output.
void sort_spilling(frame& f, size_t lines, const sort_order& order)
{
    const size_t vars = f.columns();
    const size_t row_bytes = vars * sizeof(double);
    const size_t budget = memory_budget();

    const size_t buffer = std::max(row_bytes, std::min(budget / 16, size_t{1} << 20));
    const std::string one_row = "one row of " + std::to_string(vars) + " columns with its sort key";
    const size_t run_rows =
        std::min({budget_count(row_bytes + sizeof(sort_record), buffer, one_row.c_str()), lines, MOST_RECORDS});
    spilled_runs runs(row_bytes, buffer);
    {
        row_table table = make_row_table(run_rows, vars);
        big_array<sort_record> records(run_rows);
        counted_rows source(f, lines, strict_keys(order));
        while (source.left() > 0) {
            const size_t n = std::min(run_rows, source.left());
            for (size_t r = 0; r < n; ++r) source.next(table[r]);
            order_rows(table[0], vars, n, order, records.get());
            in_order(table, records.get(), n, [&](const double* row) { runs.append(row); });
            runs.end_run();
        }
        source.end();
    }
    const auto compare = [&order](const char* a, const char* b) {
        return order.compare(reinterpret_cast<const double*>(a), reinterpret_cast<const double*>(b));
    };
    if (!settings.quiet) std::fprintf(stderr, "Sorting...");
    progress::pass("merging spilled runs");
    runs.reduce(compare, budget);
    if (!settings.quiet) std::fprintf(stderr, "done\n");
    progress::pass("merging spilled runs, writing");
    runs.merge(
        compare, [&](const char* row) { f.write(reinterpret_cast<const double*>(row), vars); }, budget);
}

}  // namespace

void sortera(const char* namein, const char* nameut, const char* sortcolumns, size_t* vars, size_t* rows)
{
    if (!sortcolumns) error("no sorting columns");
    const sort_order order = process_sortcolumns(sortcolumns);
    announce("Vorn: Sorting %s ", "Sorting %sending\n", order.descending ? "desc" : "asc");

    frame f(namein, nameut, {.marks = false, .count_rows = true, .budgeted = true, .takes_back = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    for (size_t i = 0; i < order.columns.size(); ++i)
        if (order.columns[i] < 0 || static_cast<size_t>(order.columns[i]) >= antal)
            error("sorting column %d out of range ( 1 <= %d <= %lu)", static_cast<int>(i), order.columns[i] + 1,
                  static_cast<unsigned long>(antal));
    if (!settings.quiet) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(lines));

    if (antal > 0 && lines > 0) {
        if (lines <= MOST_RECORDS && fits_in_budget(lines, antal * sizeof(double) + sizeof(sort_record)))
            sort_in_memory(f, lines, order);
        else
            sort_spilling(f, lines, order);
    }
    f.finish(vars, rows, lines);
}
