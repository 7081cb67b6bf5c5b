#pragma once

#include <cstddef>

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

// The block of an array that grows as it is filled (RecordArray), resized
// from `bytes` to `newBytes` (its contents kept up to the smaller of them) or
// freed. Large blocks are mapped of their own, so that growing one moves its
// pages rather than copying its contents into fresh memory, which the heap
// does below its own threshold for mapping. Resizing throws std::bad_alloc
// when there is no memory.
void* resizeGrowingBlock(void* block, std::size_t bytes, std::size_t newBytes);
void freeGrowingBlock(void* block, std::size_t bytes);

// Room for `count` elements of a string or vector about to be filled from
// its start, in large pages where the system offers them.
template <typename Container>
void reserveInLargePages(Container& items, std::size_t count)
{
    items.reserve(count);
    preferLargePages(items.data(), items.capacity() * sizeof(*items.data()));
}
