// Whole-file operations within a memory budget: the budget, and the temporary files that hold
// what does not fit in it. Spilled data is written as the doubles themselves (or fixed-size
// records of them), so that it reads back bit for bit.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "memory_limits.h"
#include "temp_file.h"
#include "utils.h"

// ---- The budget ----------------------------------------------------------------------------------

// The budget for a VORN_MEMORY text (null or empty: not set): the size it gives, else half of
// `physical`; never more than `room` less `reserve`. Empty when the text is not a memory size.
std::optional<size_t> budget_for(const char* setting, size_t physical, size_t room, size_t reserve);

// The memory a whole-file operation may hold, fixed at its first use in the run: VORN_MEMORY,
// else half the physical memory, and never more than the address-space limit leaves for it. A
// VORN_MEMORY that is not a memory size is fatal.
size_t memory_budget();
// Does the budget hold `count` items of `each` bytes?
bool fits_in_budget(size_t count, size_t each);
// How many items of `each` bytes the budget holds beside `besides` bytes, at least one: a budget
// that cannot hold one item, which `what` describes, is fatal.
size_t budget_count(size_t each, size_t besides, const char* what);

// ---- Large arrays -------------------------------------------------------------------------------

// n objects of a type that needs no construction, in one block from the system, on huge pages
// where offered. Memory that cannot be had is fatal: "Could not allocate memory %lu bytes\n".
template <class T>
class big_array {
public:
    big_array() = default;
    explicit big_array(size_t n)
    {
        const size_t bytes = n > static_cast<size_t>(-1) / sizeof(T) ? static_cast<size_t>(-1) : n * sizeof(T);
        if (bytes == 0) return;
        block_ = big_block(bytes == static_cast<size_t>(-1) ? 0 : bytes);
        if (!block_.data()) out_of_memory_(__FILE_NAME__, __LINE__, bytes);
    }
    T* get() const { return static_cast<T*>(block_.data()); }
    T& operator[](size_t i) const { return get()[i]; }
    void reset() { block_ = big_block(); }

private:
    big_block block_;
};

// ---- Temporary files -----------------------------------------------------------------------------

// A temporary file under $TMPDIR (else /tmp) that no name reaches: it goes when the run ends,
// however it ends. A file that cannot be made, written or read back ends the run with a message
// naming the directory and the reason.
class spill_file {
public:
    spill_file();
    void write_at(const void* data, size_t n, uint64_t offset);
    void read_at(void* data, size_t n, uint64_t offset) const;

private:
    unique_fd fd_;
    std::string dir_;
};

// Appends to a spill file through a buffer.
class spill_writer {
public:
    spill_writer(spill_file& file, size_t buffer_bytes, uint64_t start = 0);
    void append(const void* data, size_t n)
    {
        if (n > capacity_ - fill_) {
            flush();
            if (n > capacity_) {
                file_->write_at(data, n, end_);
                end_ += n;
                return;
            }
        }
        std::memcpy(buffer_.get() + fill_, data, n);
        fill_ += n;
    }
    void flush();
    // Where the next byte goes.
    uint64_t end() const { return end_ + fill_; }

private:
    spill_file* file_;
    std::unique_ptr<char[]> buffer_;
    size_t capacity_;
    size_t fill_ = 0;
    uint64_t end_;
};

// ---- Sorted runs -----------------------------------------------------------------------------------

// Runs of fixed-size records, each run in order, one after another in a spill file; merged into
// one sequence. compare(a, b) is a three-way comparison of two records (negative: a first);
// records that compare equal come out in run order, so that runs holding consecutive stretches
// of the input merge stably.
class spilled_runs {
public:
    spilled_runs(size_t record_bytes, size_t buffer_bytes);
    void append(const void* record) { writer_.append(record, record_); }
    // Ends the run being written (an empty run is dropped).
    void end_run();
    size_t count() const { return runs_.size(); }

    // Merges neighbouring runs until one merge of all of them fits in `memory` bytes of buffers.
    template <class Compare>
    void reduce(Compare compare, size_t memory);
    // Hands every record to sink(record), in merged order, with buffers of `memory` bytes in all.
    template <class Compare, class Sink>
    void merge(Compare compare, Sink sink, size_t memory);

private:
    struct run {
        uint64_t offset;
        uint64_t records;
    };
    template <class Compare, class Sink>
    void merge_runs(const run* runs, size_t k, Compare compare, Sink sink, size_t memory) const;
    size_t fan_in(size_t memory) const;

    size_t record_;
    std::unique_ptr<spill_file> file_;
    spill_writer writer_;
    std::vector<run> runs_;
    uint64_t run_start_ = 0;
};

// ---- Rows by column ------------------------------------------------------------------------------

// Rows spilled in blocks, each block stored column after column: one column of the whole file
// reads back in row order, one block reads back whole.
class column_blocks {
public:
    column_blocks(size_t columns, size_t block_rows);
    // The next row's `columns` values.
    void add(const double* row)
    {
        double* const to = block_.get() + fill_;
        for (size_t c = 0; c < columns_; ++c) to[c * block_rows_] = row[c];
        if (++fill_ == block_rows_) spill_block();
    }
    // Spills the last block and releases the block buffer.
    void finish();
    size_t rows() const { return rows_; }
    size_t blocks() const { return blocks_; }
    // Rows in block b, and the first of them.
    size_t rows_in(size_t b) const { return b + 1 < blocks_ ? block_rows_ : rows_ - b * block_rows_; }
    size_t first_row(size_t b) const { return b * block_rows_; }
    // The block that holds row r.
    size_t block_of(size_t r) const { return r / block_rows_; }
    // n values of column c of block b from its row `from`, to or from `values`.
    void read(size_t b, size_t c, size_t from, size_t n, double* values) const;
    void write(size_t b, size_t c, size_t from, size_t n, const double* values);
    // All of block b, column after column (column c at c * rows_in(b)).
    void read_block(size_t b, double* values) const;

    // Hands column c to sink(values, n, first_row) in row order, in pieces of at most `room` values.
    template <class Sink>
    void for_column(size_t c, double* buffer, size_t room, Sink sink) const
    {
        for (size_t b = 0; b < blocks_; ++b)
            for (size_t from = 0; from < rows_in(b); from += room) {
                const size_t n = std::min(room, rows_in(b) - from);
                read(b, c, from, n, buffer);
                sink(static_cast<const double*>(buffer), n, first_row(b) + from);
            }
    }

    // Writes column c again, in row order from row 0, through a buffer of `room` values.
    class column_writer {
    public:
        column_writer(column_blocks& blocks, size_t c, size_t room)
            : blocks_(blocks), c_(c), buffer_(my_malloc(double, room)), room_(room)
        {
        }
        void put(double value)
        {
            buffer_[fill_++] = value;
            if (fill_ == room_) flush();
        }
        void flush();

    private:
        column_blocks& blocks_;
        size_t c_;
        std::unique_ptr<double[]> buffer_;
        size_t room_;
        size_t fill_ = 0;
        size_t row_ = 0;  // the row of buffer_[0]
    };

private:
    void spill_block();
    uint64_t offset(size_t b, size_t c, size_t from) const
    {
        return (static_cast<uint64_t>(b) * block_rows_ * columns_ + static_cast<uint64_t>(c) * rows_in(b) + from) *
               sizeof(double);
    }

    size_t columns_;
    size_t block_rows_;
    big_array<double> block_;
    size_t fill_ = 0;
    size_t rows_ = 0;
    size_t blocks_ = 0;
    spill_file file_;
};

// ---- Merging ---------------------------------------------------------------------------------------

template <class Compare>
void spilled_runs::reduce(Compare compare, size_t memory)
{
    writer_.flush();
    const size_t most = fan_in(memory);
    while (runs_.size() > most) {
        spilled_runs merged(record_, std::max(record_, memory / (most + 1)));
        for (size_t first = 0; first < runs_.size(); first += most) {
            const size_t k = std::min(most, runs_.size() - first);
            merge_runs(
                runs_.data() + first, k, compare, [&](const char* r) { merged.append(r); },
                memory - memory / (most + 1));
            merged.end_run();
        }
        merged.writer_.flush();
        // The file lives on the heap, so the writer that came with it still points at it.
        *this = std::move(merged);
    }
}

template <class Compare, class Sink>
void spilled_runs::merge(Compare compare, Sink sink, size_t memory)
{
    writer_.flush();
    reduce(compare, memory);
    merge_runs(runs_.data(), runs_.size(), compare, sink, memory);
}

template <class Compare, class Sink>
void spilled_runs::merge_runs(const run* runs, size_t k, Compare compare, Sink sink, size_t memory) const
{
    if (k == 0) return;
    // Each run reads through a buffer of its own.
    constexpr size_t MOST_BUFFERED = size_t{4} << 20;
    const size_t per_run = std::max<size_t>(1, std::min(memory / k, MOST_BUFFERED) / record_);
    struct reader {
        uint64_t next;  // file offset of the first record not yet buffered
        uint64_t left;  // records not yet buffered
        char* at;       // the current record
        char* end;      // the end of the buffered records
    };
    auto buffers = my_malloc(char, per_run* record_* k);
    std::vector<reader> readers(k);
    auto refill = [&](size_t i) {
        reader& r = readers[i];
        const size_t n = static_cast<size_t>(std::min<uint64_t>(r.left, per_run));
        char* const buffer = buffers.get() + i * per_run * record_;
        file_->read_at(buffer, n * record_, r.next);
        r.next += n * record_;
        r.left -= n;
        r.at = buffer;
        r.end = buffer + n * record_;
    };
    // A heap of the runs not yet used up, the run whose record comes first on top; equal records
    // come from the earlier run first.
    std::vector<size_t> heap;
    heap.reserve(k);
    auto before = [&](size_t a, size_t b) {
        const int c = compare(static_cast<const char*>(readers[a].at), static_cast<const char*>(readers[b].at));
        return c < 0 || (c == 0 && a < b);
    };
    auto sift_down = [&](size_t i) {
        const size_t n = heap.size();
        for (;;) {
            size_t first = i;
            const size_t l = 2 * i + 1;
            const size_t r = l + 1;
            if (l < n && before(heap[l], heap[first])) first = l;
            if (r < n && before(heap[r], heap[first])) first = r;
            if (first == i) return;
            std::swap(heap[i], heap[first]);
            i = first;
        }
    };
    for (size_t i = 0; i < k; ++i) {
        readers[i] = {runs[i].offset, runs[i].records, nullptr, nullptr};
        refill(i);
        if (readers[i].at != readers[i].end) heap.push_back(i);
    }
    for (size_t i = heap.size() / 2; i-- > 0;) sift_down(i);
    while (!heap.empty()) {
        const size_t top = heap[0];
        reader& r = readers[top];
        sink(static_cast<const char*>(r.at));
        r.at += record_;
        if (r.at == r.end) {
            if (r.left > 0) {
                refill(top);
            } else {
                heap[0] = heap.back();
                heap.pop_back();
            }
        }
        if (!heap.empty()) sift_down(0);
    }
}
