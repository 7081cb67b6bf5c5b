#include "base/FreshMemory.h"

#include <cstdint>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

void keepFreedMemory()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

void preferLargePages(void* begin, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // The 2 MiB pages wholly inside the block: a fault then fills 2 MiB at
    // once rather than 4 KiB.
    constexpr std::uintptr_t hugePage = std::uintptr_t{1} << 21;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + hugePage - 1) / hugePage;
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(begin) + bytes) / hugePage;
    if (last > first)
        madvise(reinterpret_cast<void*>(first * hugePage), (last - first) * hugePage, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}

void prepareMemory(void* begin, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // Whole pages only; a block too small to hold a few is not worth a call.
    constexpr std::size_t smallestBlock = std::size_t{1} << 20;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (bytes < smallestBlock || pageSize <= 0)
        return;
    const std::uintptr_t page = static_cast<std::uintptr_t>(pageSize);
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) / page;
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(begin) + bytes) / page;
    if (last <= first)
        return;
    // The whole block is filled at once anyway: in large pages it takes far
    // fewer faults and TLB entries.
    preferLargePages(begin, bytes);
    // Failure (an older system) only means the pages come on first use.
    madvise(reinterpret_cast<void*>(first * page), (last - first) * page, MADV_POPULATE_WRITE);
#else
    (void)begin;
    (void)bytes;
#endif
}
