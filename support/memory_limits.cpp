// What the system lets a process hold in memory.
#include "memory_limits.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <limits>
#include <string>
#include <utility>

namespace {

constexpr size_t NO_LIMIT = std::numeric_limits<size_t>::max();
constexpr size_t HUGE_PAGE = size_t{2} << 20;

// The number at the start of a control-group limit file; NO_LIMIT for "max" or no file.
size_t limit_in_file(const std::string& path)
{
    std::ifstream in(path);
    unsigned long long value = 0;
    if (!(in >> value)) return NO_LIMIT;
    return value > NO_LIMIT ? NO_LIMIT : static_cast<size_t>(value);
}

// The memory limit of the process's control group (version 2, else version 1).
size_t control_group_limit()
{
    std::ifstream groups("/proc/self/cgroup");
    std::string line;
    size_t limit = NO_LIMIT;
    while (std::getline(groups, line)) {
        // "0::/path" in version 2, "N:memory:/path" (among others) in version 1.
        const size_t first = line.find(':');
        const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        size_t here = NO_LIMIT;
        if (controllers.empty())
            here = limit_in_file("/sys/fs/cgroup" + path + "/memory.max");
        else if (controllers == "memory")
            here = limit_in_file("/sys/fs/cgroup/memory" + path + "/memory.limit_in_bytes");
        if (here < limit) limit = here;
    }
    return limit;
}

// Bytes the process maps now.
size_t mapped_now()
{
    std::ifstream statm("/proc/self/statm");
    unsigned long long pages = 0;
    if (!(statm >> pages)) return 0;
    return static_cast<size_t>(pages) * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

size_t soft_limit(int resource)
{
    struct rlimit rl {};
    if (::getrlimit(resource, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) return NO_LIMIT;
    return rl.rlim_cur > NO_LIMIT ? NO_LIMIT : static_cast<size_t>(rl.rlim_cur);
}

}  // namespace

std::optional<size_t> parse_memory_size(const char* text)
{
    if (!text || !std::isdigit(static_cast<unsigned char>(*text))) return std::nullopt;
    size_t value = 0;
    const char* p = text;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        const size_t digit = static_cast<size_t>(*p - '0');
        if (value > (NO_LIMIT - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    unsigned shift = 0;
    switch (*p) {
    case '\0': return value;
    case 'k':
    case 'K': shift = 10; break;
    case 'm':
    case 'M': shift = 20; break;
    case 'g':
    case 'G': shift = 30; break;
    default: return std::nullopt;
    }
    if (p[1] != '\0') return std::nullopt;
    if (value > (NO_LIMIT >> shift)) return std::nullopt;
    return value << shift;
}

size_t physical_memory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page = ::sysconf(_SC_PAGESIZE);
    size_t total = pages > 0 && page > 0 ? static_cast<size_t>(pages) * static_cast<size_t>(page) : 0;
    const size_t group = control_group_limit();
    if (total == 0 || group < total) total = group == NO_LIMIT ? 0 : group;
    return total;
}

size_t address_space_room()
{
    const size_t as = soft_limit(RLIMIT_AS);
    const size_t data = soft_limit(RLIMIT_DATA);
    const size_t limit = as < data ? as : data;
    if (limit == NO_LIMIT) return NO_LIMIT;
    const size_t used = mapped_now();
    return limit > used ? limit - used : 0;
}

big_block::big_block(size_t bytes)
{
    if (bytes == 0) return;
    // Blocks of a few huge pages or more are aligned to them, so that the system can back them
    // with huge pages: a few thousand page faults fewer for every gigabyte.
    const bool huge = bytes >= 4 * HUGE_PAGE;
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t rounded = (bytes + page - 1) / page * page;
    if (rounded < bytes) return;
    const size_t extra = huge ? HUGE_PAGE : 0;
    if (rounded + extra < rounded) return;
    void* p = ::mmap(nullptr, rounded + extra, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    char* start = static_cast<char*>(p);
    if (huge) {
        // Give back the unaligned head and the tail beyond the aligned block.
        const uintptr_t at = reinterpret_cast<uintptr_t>(start);
        const size_t head = (HUGE_PAGE - at % HUGE_PAGE) % HUGE_PAGE;
        if (head) ::munmap(start, head);
        if (extra - head) ::munmap(start + head + rounded, extra - head);
        start += head;
#ifdef MADV_HUGEPAGE
        ::madvise(start, rounded, MADV_HUGEPAGE);
#endif
    }
    data_ = start;
    size_ = bytes;
    mapped_ = rounded;
}

big_block::big_block(big_block&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0))
{
}

big_block& big_block::operator=(big_block&& other) noexcept
{
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

big_block::~big_block() { release(); }

void big_block::release()
{
    if (data_) ::munmap(data_, mapped_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
}
