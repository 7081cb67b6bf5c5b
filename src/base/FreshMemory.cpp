#include "base/FreshMemory.h"

#include <cstdint>

#include "base/Threads.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

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
    // The whole block is filled at once anyway: in 2 MiB pages where the
    // system offers them, it takes far fewer faults and TLB entries.
    constexpr std::uintptr_t hugePage = std::uintptr_t{1} << 21;
    const std::uintptr_t hugeFirst = (first * page + hugePage - 1) / hugePage;
    const std::uintptr_t hugeLast = last * page / hugePage;
    if (hugeLast > hugeFirst)
        madvise(reinterpret_cast<void*>(hugeFirst * hugePage), (hugeLast - hugeFirst) * hugePage, MADV_HUGEPAGE);
    inTwoHalves(last - first, 2, [&](std::size_t from, std::size_t to) {
        // Failure (an older system) only means the pages come on first use.
        madvise(reinterpret_cast<void*>((first + from) * page), (to - from) * page, MADV_POPULATE_WRITE);
    });
#else
    (void)begin;
    (void)bytes;
#endif
}
