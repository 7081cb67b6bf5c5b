#include "base/FreshMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

#if defined(__linux__)
// Blocks from this size on are mapped of their own; below it the heap's
// copies cost less than a mapping.
constexpr std::size_t smallestMappedBlock = std::size_t{1} << 18;

// The bytes a mapping of `bytes` takes: whole pages.
std::size_t mappedBytes(std::size_t bytes)
{
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}
#endif

} // namespace

void* resizeGrowingBlock(void* block, std::size_t bytes, std::size_t newBytes)
{
#if defined(__linux__) && defined(MREMAP_MAYMOVE)
    const bool mapped = block != nullptr && bytes >= smallestMappedBlock;
    if (newBytes >= smallestMappedBlock) {
        // A mapping is moved whole only while it is one area of the same
        // settings: it asks for large pages whole, and madvise on a part of
        // it later changes nothing. Should it still fail, a copy does.
        void* moved = mapped ? mremap(block, mappedBytes(bytes), mappedBytes(newBytes), MREMAP_MAYMOVE) : MAP_FAILED;
        if (moved == MAP_FAILED) {
            moved = mmap(nullptr, mappedBytes(newBytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (moved == MAP_FAILED)
                throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
            madvise(moved, mappedBytes(newBytes), MADV_HUGEPAGE);
#endif
            if (block != nullptr) {
                std::memcpy(moved, block, std::min(bytes, newBytes));
                freeGrowingBlock(block, bytes);
            }
        }
        return moved;
    }
    if (mapped) {
        void* smaller = std::malloc(newBytes == 0 ? 1 : newBytes);
        if (smaller == nullptr)
            throw std::bad_alloc();
        std::memcpy(smaller, block, newBytes);
        munmap(block, mappedBytes(bytes));
        return smaller;
    }
#endif
    void* moved = std::realloc(block, newBytes == 0 ? 1 : newBytes);
    if (moved == nullptr)
        throw std::bad_alloc();
    return moved;
}

void freeGrowingBlock(void* block, std::size_t bytes)
{
#if defined(__linux__) && defined(MREMAP_MAYMOVE)
    if (block != nullptr && bytes >= smallestMappedBlock) {
        munmap(block, mappedBytes(bytes));
        return;
    }
#else
    (void)bytes;
#endif
    std::free(block);
}
