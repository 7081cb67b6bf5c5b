#pragma once

#include <cstddef>
#include <new>

// For a program that runs as one short process: blocks of up to a few MiB
// come from the heap and stay with the process when freed, so that a later
// step reuses memory an earlier one touched instead of faulting in fresh
// pages, which on some virtual machines cost more than the work done in them.
// Larger blocks (the genome, the hits of a run at a low cut-off) are still
// mapped and unmapped of their own. Call first thing; a no-op where the C
// library offers no such setting.
void keepFreedMemory();

// Has the system back [begin, begin + bytes) with memory now, in large pages
// where it offers them: a large fresh block is made ready faster so than
// page by page as it is first written. Leaves its contents as they are; a
// hint, which does nothing where the system does not offer it.
void prepareMemory(void* begin, std::size_t bytes);

// Has the system back [begin, begin + bytes) with large pages, where it
// offers them, as each part is first written: for a block about to be
// filled from its start, whose end may never be reached. Also a hint.
void preferLargePages(void* begin, std::size_t bytes);

// Blocks for the large arrays a run fills as it keeps hits (RecordArray,
// LargePageAllocator). From a few hundred KiB on, a block that whole 2 MiB
// hold with little room to spare is mapped of its own on 2 MiB boundaries,
// in whole 2 MiB, and asks for large pages: on some virtual machines a fresh
// 4 KiB page costs some ten microseconds when first written, a 2 MiB one
// about what twenty of those do, so that a hit array of a few MiB fills many
// times faster. Smaller blocks come from the heap. allocateBlock throws
// std::bad_alloc when there is no memory; freeBlock takes the size asked for.
void* allocateBlock(std::size_t bytes);
void freeBlock(void* block, std::size_t bytes);
// The bytes a block asked for with `bytes` holds: more where it is mapped in
// whole large pages. A block may be used, and is freed, as of this size.
std::size_t usableBytes(std::size_t bytes);

// A standard allocator of such blocks, for vectors of hits and the like.
template <typename T>
struct LargePageAllocator {
    using value_type = T;

    LargePageAllocator() = default;
    template <typename U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t count)
    {
        if (count > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T*>(allocateBlock(count * sizeof(T)));
    }
    void deallocate(T* block, std::size_t count) noexcept { freeBlock(block, count * sizeof(T)); }
    template <typename U>
    bool operator==(const LargePageAllocator<U>&) const noexcept
    {
        return true;
    }
    template <typename U>
    bool operator!=(const LargePageAllocator<U>&) const noexcept
    {
        return false;
    }
};

// Room for `count` elements of a string or vector about to be filled from
// its start, in large pages where the system offers them.
template <typename Container>
void reserveInLargePages(Container& items, std::size_t count)
{
    items.reserve(count);
    preferLargePages(items.data(), items.capacity() * sizeof(*items.data()));
}
