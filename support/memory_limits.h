// What the system lets a process hold in memory, memory sizes as people write them, and large
// blocks that come straight from the system.
#pragma once
#include <cstddef>
#include <optional>

// A size in bytes written as digits with an optional K, M or G (either case; multiples of 1024)
// and nothing else: "4096", "64K", "256m", "2G". Empty when the text is not such a size or the
// size does not fit in a size_t.
std::optional<size_t> parse_memory_size(const char* text);

// The physical memory of the machine, or the memory limit of the process's control group when
// that is lower. 0 when it cannot be found.
size_t physical_memory();

// The address space the process may still take before its soft RLIMIT_AS or RLIMIT_DATA stops
// it (the lower of the two, less what it already maps). SIZE_MAX when neither is set.
size_t address_space_room();

// One block of `bytes` bytes mapped from the system, page aligned, zero filled, on huge pages
// where the system offers them. Released when it goes.
class big_block {
public:
    big_block() = default;
    // An empty block (data() null) when the system refuses the memory.
    explicit big_block(size_t bytes);
    big_block(big_block&& other) noexcept;
    big_block& operator=(big_block&& other) noexcept;
    big_block(const big_block&) = delete;
    big_block& operator=(const big_block&) = delete;
    ~big_block();

    void* data() const { return data_; }
    size_t size() const { return size_; }

private:
    void release();
    void* data_ = nullptr;
    size_t size_ = 0;    // as asked
    size_t mapped_ = 0;  // as mapped
};
