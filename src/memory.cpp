// Every allocation of the program, containers and strings included, comes through here. Memory
// that cannot be had ends the run through the fatal path with "Could not allocate memory %lu
// bytes\n" and the size asked for, so no allocation ever escapes as an exception. The nothrow
// forms return null instead, so that the memory wrappers can name their caller's site.
//
// This file is linked into every executable as an object of its own (see CMakeLists.txt): as a
// member of the library archive it would lose to the operators of a shared sanitizer runtime.
#include <cstdlib>
#include <new>

#include "utils.h"

void out_of_memory_(const char* file, int line, size_t size)
{
    error_(file, line, "Could not allocate memory %lu bytes\n", static_cast<unsigned long>(size));
}

namespace {

void* allocate(std::size_t size) noexcept { return std::malloc(size ? size : 1); }

void* allocate(std::size_t size, std::align_val_t alignment) noexcept
{
    std::size_t align = static_cast<std::size_t>(alignment);
    if (align < sizeof(void*)) align = sizeof(void*);
    void* p = nullptr;
    return ::posix_memalign(&p, align, size ? size : 1) == 0 ? p : nullptr;
}

[[noreturn]] void exhausted(std::size_t size)
{
    // Reporting must not itself run out of memory and come back here.
    static bool reporting = false;
    if (reporting) std::_Exit(1);
    reporting = true;
    out_of_memory_(__FILE_NAME__, __LINE__, size);
}

}  // namespace

void* operator new(std::size_t size)
{
    void* p = allocate(size);
    if (!p) exhausted(size);
    return p;
}
void* operator new[](std::size_t size)
{
    void* p = allocate(size);
    if (!p) exhausted(size);
    return p;
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    void* p = allocate(size, alignment);
    if (!p) exhausted(size);
    return p;
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    void* p = allocate(size, alignment);
    if (!p) exhausted(size);
    return p;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocate(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocate(size, alignment);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
