#include "base/RecordArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/FreshMemory.h"

// Growing from the heap's small blocks into blocks mapped in large pages,
// and from one of those into a larger one, keeps every record in its place.
TEST(RecordArray, GrowingAcrossBlockKindsKeepsTheRecords)
{
    RecordArray<std::uint64_t> records;
    constexpr std::uint64_t count = std::uint64_t{3} << 19; // 12 MiB, past several large pages
    for (std::uint64_t i = 0; i < count; ++i)
        records.push_back(i * 2654435761u);
    ASSERT_EQ(records.size(), count);
    for (std::uint64_t i = 0; i < count; ++i)
        ASSERT_EQ(records[i], i * 2654435761u) << i;
    RecordArray<std::uint64_t> moved = std::move(records);
    EXPECT_EQ(moved.size(), count);
    EXPECT_TRUE(records.empty());
}

TEST(RecordArray, BlocksAreUsableToTheSizeTheyPromise)
{
    // A block is usable to its end: what usableBytes promises is written.
    for (const std::size_t bytes : {std::size_t{100}, std::size_t{300} << 10, std::size_t{5} << 20}) {
        const std::size_t usable = usableBytes(bytes);
        ASSERT_GE(usable, bytes);
        auto* block = static_cast<unsigned char*>(allocateBlock(usable));
        block[0] = 1;
        block[usable - 1] = 2;
        EXPECT_EQ(block[0] + block[usable - 1], 3);
        freeBlock(block, usable);
    }
    std::vector<int, LargePageAllocator<int>> numbers(1 << 20, 7);
    numbers.push_back(8);
    EXPECT_EQ(numbers.front() + numbers.back(), 15);
}
