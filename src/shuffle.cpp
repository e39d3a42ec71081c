// Puts the values of each selected column into a random order along the rows, each column with
// its own random keys.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "frame.h"
#include "operations.h"
#include "ran3.h"
#include "spill.h"

namespace {

// One sort record: the random key and the cell value it carries.
struct _tt {
    float a;
    double data;
};

// Keys compared by their single-precision difference.
int compare_keys(float a, float b)
{
    const float d = a - b;
    if (d < 0) return -1;
    if (d > 0) return 1;
    return 0;
}

// Records in increasing key order.
int sortfunc(const _tt* a, const _tt* b) { return compare_keys(a->a, b->a); }

// A clock-dependent start, so that runs in different seconds give different orders.
void clock_draws()
{
    const unsigned t = static_cast<unsigned>(std::time(nullptr)) & 0xffu;
    for (unsigned i = 0; i <= t; ++i) ran3(&settings.idum);
}

void shuffle_in_memory(frame& f, size_t lines)
{
    whole_file(f, lines, {}, [&](const row_table& table) {
        clock_draws();
        for (size_t c = 0; c < f.columns(); ++c) {
            if (!f.marks()[c]) continue;
            ran3(&settings.idum);
            auto records = my_malloc(_tt, lines);
            for (size_t r = 0; r < lines; ++r) {
                records[r].a = ran3(&settings.idum);
                records[r].data = table[r][c];
            }
            std::stable_sort(records.get(), records.get() + lines,
                             [](const _tt& x, const _tt& y) { return sortfunc(&x, &y) < 0; });
            for (size_t r = 0; r < lines; ++r) table[r][c] = records[r].data;
        }
        for (size_t r = 0; r < lines; ++r) f.write(table[r], table.ncolumns);
    });
}

// A record of a run: its key, its place in the column and the value. Ordering by key and then
// by place is the stable order of the keys.
struct run_record {
    float a;
    uint32_t place;
    double data;
};
// A record as spilled: the run's order stands for the places.
struct __attribute__((packed)) spilled_record {
    float a;
    double data;
};

// The file does not fit in the budget: it is spilled in blocks stored column after column; each
// selected column is then read back in row order with its keys drawn as in memory, sorted in runs
// that fit, merged, and written back in its new order; the rows are then put together again.
void shuffle_spilling(frame& f, size_t lines)
{
    const size_t vars = f.columns();
    const size_t row_bytes = vars * sizeof(double);
    const size_t budget = memory_budget();
    const std::string one_row = "one row of " + std::to_string(vars) + " columns";
    const size_t block_rows = std::min(budget_count(row_bytes, row_bytes, one_row.c_str()), lines);
    column_blocks blocks(vars, block_rows);
    auto row = my_malloc(double, vars);
    {
        counted_rows source(f, lines, {});
        for (size_t r = 0; r < lines; ++r) {
            source.next(row.get());
            blocks.add(row.get());
        }
        source.end();
        blocks.finish();
    }

    clock_draws();
    constexpr size_t MOST_READ = size_t{1} << 16;
    const size_t room = std::max<size_t>(1, std::min({MOST_READ, lines, budget / (8 * sizeof(double))}));
    const size_t io = std::max(sizeof(spilled_record), std::min(budget / 16, size_t{1} << 20));
    const size_t run_length = std::min(
        {budget_count(sizeof(run_record), io + 2 * room * sizeof(double), "one value of a column with its random key"),
         lines, size_t{UINT32_MAX}});
    auto values = my_malloc(double, room);
    const auto in_key_order = [](const run_record& x, const run_record& y) {
        const int c = compare_keys(x.a, y.a);
        return c != 0 ? c < 0 : x.place < y.place;
    };
    for (size_t c = 0; c < vars; ++c) {
        if (!f.marks()[c]) continue;
        ran3(&settings.idum);
        column_blocks::column_writer shuffled(blocks, c, room);
        big_array<run_record> records(run_length);
        if (run_length == lines) {
            blocks.for_column(c, values.get(), room, [&](const double* v, size_t n, size_t first) {
                for (size_t i = 0; i < n; ++i)
                    records[first + i] = {ran3(&settings.idum), static_cast<uint32_t>(first + i), v[i]};
            });
            std::sort(records.get(), records.get() + lines, in_key_order);
            for (size_t r = 0; r < lines; ++r) shuffled.put(records[r].data);
        } else {
            spilled_runs runs(sizeof(spilled_record), io);
            size_t fill = 0;
            const auto end_run = [&] {
                std::sort(records.get(), records.get() + fill, in_key_order);
                for (size_t i = 0; i < fill; ++i) {
                    const spilled_record s{records[i].a, records[i].data};
                    runs.append(&s);
                }
                runs.end_run();
                fill = 0;
            };
            blocks.for_column(c, values.get(), room, [&](const double* v, size_t n, size_t) {
                for (size_t i = 0; i < n; ++i) {
                    records[fill] = {ran3(&settings.idum), static_cast<uint32_t>(fill), v[i]};
                    if (++fill == run_length) end_run();
                }
            });
            if (fill > 0) end_run();
            records.reset();
            const size_t merge_memory = budget > 2 * room * sizeof(double) ? budget - 2 * room * sizeof(double) : 0;
            runs.merge(
                [](const char* a, const char* b) {
                    float x, y;
                    std::memcpy(&x, a, sizeof x);
                    std::memcpy(&y, b, sizeof y);
                    return compare_keys(x, y);
                },
                [&](const char* r) {
                    double v;
                    std::memcpy(&v, r + sizeof(float), sizeof v);
                    shuffled.put(v);
                },
                merge_memory);
        }
        shuffled.flush();
    }
    values.reset();

    // The rows again, block by block.
    big_array<double> block(block_rows * vars);
    for (size_t b = 0; b < blocks.blocks(); ++b) {
        const size_t n = blocks.rows_in(b);
        blocks.read_block(b, block.get());
        for (size_t r = 0; r < n; ++r) {
            for (size_t c = 0; c < vars; ++c) row[c] = block[c * n + r];
            f.write(row.get(), vars);
        }
    }
}

}  // namespace

void shuffle(const char* namein, const char* nameout, const char* flagfile, size_t* vars, size_t* rows)
{
    announce("Vorn: Shuffling ", "Shuffling\n");
    frame f(namein, nameout, {.flagfile = flagfile, .count_rows = true, .budgeted = true, .takes_back = true});
    const size_t antal = f.columns();
    const size_t lines = f.counted_rows();
    if (!settings.quiet) std::fprintf(stderr, "Found %lu rows.\n", static_cast<unsigned long>(lines));

    // In memory: the rows, and one column's records at a time.
    if (fits_in_budget(lines, antal * sizeof(double) + sizeof(_tt)))
        shuffle_in_memory(f, lines);
    else if (antal > 0 && lines > 0)
        shuffle_spilling(f, lines);
    f.finish(vars, rows, lines);
}
