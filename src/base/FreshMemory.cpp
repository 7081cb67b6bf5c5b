#include "base/FreshMemory.h"

#include <cstdint>
#include <cstdlib>
#include <new>

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

namespace {

// Blocks from this size on are mapped of their own, in large pages.
constexpr std::size_t smallestMappedBlock = std::size_t{1} << 18;
constexpr std::size_t largePage = std::size_t{1} << 21;

std::size_t mappedBytes(std::size_t bytes)
{
    return (bytes + largePage - 1) / largePage * largePage;
}

// Whether a block of `bytes` is mapped in large pages: when it is large and
// rounding it up to whole large pages adds at most half to it. A file of
// many records keeps a few such arrays for each, of any size: rounded up
// every time, those of a few hundred KiB would take several times their room.
bool mapped(std::size_t bytes)
{
    return bytes >= smallestMappedBlock && bytes <= static_cast<std::size_t>(-1) - 2 * largePage
        && mappedBytes(bytes) - bytes <= bytes / 2;
}

} // namespace

void* allocateBlock(std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (mapped(bytes)) {
        // Mapped a large page longer, to start the block on a large page's
        // boundary; what lies outside it is given back at once.
        const std::size_t length = mappedBytes(bytes);
        void* region = mmap(nullptr, length + largePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (region == MAP_FAILED)
            throw std::bad_alloc();
        const auto start = reinterpret_cast<std::uintptr_t>(region);
        const std::uintptr_t aligned = (start + largePage - 1) / largePage * largePage;
        if (aligned > start)
            munmap(region, aligned - start);
        munmap(reinterpret_cast<void*>(aligned + length), start + largePage - aligned);
        void* block = reinterpret_cast<void*>(aligned);
        madvise(block, length, MADV_HUGEPAGE);
        return block;
    }
#endif
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

std::size_t usableBytes(std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (mapped(bytes))
        return mappedBytes(bytes);
#endif
    return bytes;
}

void freeBlock(void* block, std::size_t bytes)
{
    if (block == nullptr)
        return;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (mapped(bytes)) {
        munmap(block, mappedBytes(bytes));
        return;
    }
#else
    (void)bytes;
#endif
    std::free(block);
}
