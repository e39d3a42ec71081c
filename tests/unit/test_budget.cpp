// The memory budget, the temporary files behind it and the order of the sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "memory_limits.h"
#include "sortera.h"
#include "spill.h"

namespace {

constexpr size_t MiB = size_t{1} << 20;

TEST(MemorySize, DigitsWithAnOptionalBinarySuffix)
{
    EXPECT_EQ(parse_memory_size("0"), 0u);
    EXPECT_EQ(parse_memory_size("4096"), 4096u);
    EXPECT_EQ(parse_memory_size("64K"), 65536u);
    EXPECT_EQ(parse_memory_size("64k"), 65536u);
    EXPECT_EQ(parse_memory_size("256M"), 256 * MiB);
    EXPECT_EQ(parse_memory_size("2g"), 2048 * MiB);
    for (const char* bad : {"", "K", "-1", "+5", " 5", "5 ", "1.5G", "12KB", "12T", "0x10", "5KK"})
        EXPECT_FALSE(parse_memory_size(bad)) << bad;
    EXPECT_FALSE(parse_memory_size(nullptr));
    // Sizes that do not fit are not sizes.
    EXPECT_FALSE(parse_memory_size("99999999999999999999999"));
    EXPECT_FALSE(parse_memory_size("17179869184G"));
}

TEST(MemoryBudget, HalfThePhysicalMemoryOrTheSettingWithinTheRoomLeft)
{
    const size_t unlimited = std::numeric_limits<size_t>::max();
    EXPECT_EQ(budget_for(nullptr, 8192 * MiB, unlimited, 16 * MiB), 4096 * MiB);
    EXPECT_EQ(budget_for("", 8192 * MiB, unlimited, 16 * MiB), 4096 * MiB);
    EXPECT_EQ(budget_for("64K", 8192 * MiB, unlimited, 16 * MiB), 65536u);
    EXPECT_EQ(budget_for("100G", 8192 * MiB, unlimited, 16 * MiB), 100 * 1024 * MiB);
    // An address-space limit caps both, less what the rest of the run needs.
    EXPECT_EQ(budget_for(nullptr, 8192 * MiB, 400 * MiB, 16 * MiB), 384 * MiB);
    EXPECT_EQ(budget_for("1G", 8192 * MiB, 400 * MiB, 16 * MiB), 384 * MiB);
    EXPECT_EQ(budget_for("1G", 8192 * MiB, 10 * MiB, 16 * MiB), 0u);
    EXPECT_FALSE(budget_for("lots", 8192 * MiB, unlimited, 16 * MiB));
}

TEST(BigBlock, ZeroFilledWritableAndRefusedWhenTooLarge)
{
    big_block block(20 * MiB);
    ASSERT_NE(block.data(), nullptr);
    EXPECT_EQ(block.size(), 20 * MiB);
    auto* bytes = static_cast<unsigned char*>(block.data());
    EXPECT_EQ(bytes[0] | bytes[20 * MiB - 1], 0);
    bytes[20 * MiB - 1] = 7;
    big_block moved = std::move(block);
    EXPECT_EQ(block.data(), nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(moved.data())[20 * MiB - 1], 7);

    big_block refused(std::numeric_limits<size_t>::max() / 2);
    EXPECT_EQ(refused.data(), nullptr);
    EXPECT_EQ(refused.size(), 0u);
}

TEST(SortOrder, KeysFollowTheValuesAndPutNotANumberLast)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> increasing = {-inf, -1e300, -1, -5e-324, 0, 5e-324, 1, 1e300, inf};
    for (size_t i = 0; i + 1 < increasing.size(); ++i) {
        EXPECT_LT(order_key(increasing[i], false), order_key(increasing[i + 1], false)) << increasing[i];
        EXPECT_GT(order_key(increasing[i], true), order_key(increasing[i + 1], true)) << increasing[i];
    }
    EXPECT_EQ(order_key(-0.0, false), order_key(0.0, false));
    EXPECT_EQ(order_key(-0.0, true), order_key(0.0, true));
    // Every value that is not a number, whatever its sign, after all numbers in both directions.
    for (const bool descending : {false, true}) {
        EXPECT_EQ(order_key(nan, descending), order_key(-nan, descending));
        EXPECT_GT(order_key(nan, descending), order_key(inf, descending));
        EXPECT_GT(order_key(nan, descending), order_key(-inf, descending));
    }
}

struct record {
    int key;
    int seq;
};

int by_key(const char* a, const char* b)
{
    record x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    return (x.key > y.key) - (x.key < y.key);
}

// Sorted runs of consecutive stretches, spilled and merged with `memory` bytes, against one
// stable sort of everything.
std::vector<record> merged(const std::vector<record>& all, size_t run, size_t memory)
{
    spilled_runs runs(sizeof(record), 64);
    for (size_t start = 0; start < all.size(); start += run) {
        std::vector<record> part(all.begin() + static_cast<long>(start),
                                 all.begin() + static_cast<long>(std::min(all.size(), start + run)));
        std::stable_sort(part.begin(), part.end(), [](const record& a, const record& b) { return a.key < b.key; });
        for (const record& r : part) runs.append(&r);
        runs.end_run();
    }
    std::vector<record> out;
    runs.merge(
        by_key,
        [&](const char* r) {
            record x;
            std::memcpy(&x, r, sizeof x);
            out.push_back(x);
        },
        memory);
    return out;
}

TEST(SpilledRuns, MergingSortedRunsIsOneStableSort)
{
    std::mt19937 gen(11);
    std::vector<record> all(5000);
    for (size_t i = 0; i < all.size(); ++i) all[i] = {static_cast<int>(gen() % 50), static_cast<int>(i)};
    std::vector<record> expected = all;
    std::stable_sort(expected.begin(), expected.end(), [](const record& a, const record& b) { return a.key < b.key; });
    const auto same = [&](const std::vector<record>& got) {
        return got.size() == expected.size() &&
               std::equal(got.begin(), got.end(), expected.begin(),
                          [](const record& a, const record& b) { return a.key == b.key && a.seq == b.seq; });
    };
    EXPECT_TRUE(same(merged(all, 5000, MiB)));  // one run
    EXPECT_TRUE(same(merged(all, 700, MiB)));   // one merge of eight runs
    // 250 runs merged two at a time, in eight passes.
    EXPECT_TRUE(same(merged(all, 20, 64)));
    EXPECT_TRUE(merged({}, 10, 64).empty());
}

TEST(ColumnBlocks, ColumnsReadBackInRowOrderAndCanBeRewritten)
{
    const size_t columns = 3;
    column_blocks blocks(columns, 4);
    for (size_t r = 0; r < 10; ++r) {
        const double row[columns] = {static_cast<double>(r), 100.0 + static_cast<double>(r), -static_cast<double>(r)};
        blocks.add(row);
    }
    blocks.finish();
    EXPECT_EQ(blocks.rows(), 10u);
    EXPECT_EQ(blocks.blocks(), 3u);
    EXPECT_EQ(blocks.rows_in(2), 2u);

    double buffer[3];
    std::vector<double> column;
    std::vector<size_t> firsts;
    blocks.for_column(1, buffer, 3, [&](const double* v, size_t n, size_t first) {
        column.insert(column.end(), v, v + n);
        firsts.push_back(first);
    });
    EXPECT_EQ(column, (std::vector<double>{100, 101, 102, 103, 104, 105, 106, 107, 108, 109}));
    EXPECT_EQ(firsts, (std::vector<size_t>{0, 3, 4, 7, 8}));

    {
        column_blocks::column_writer w(blocks, 2, 3);
        for (int r = 0; r < 10; ++r) w.put(1000 + r);
        w.flush();
    }
    double last[2 * columns];
    blocks.read_block(2, last);
    // Block 2 holds rows 8 and 9, column after column.
    EXPECT_EQ(std::vector<double>(last, last + 6), (std::vector<double>{8, 9, 108, 109, 1008, 1009}));
}

}  // namespace
