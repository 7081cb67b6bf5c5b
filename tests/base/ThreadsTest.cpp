#include "base/Threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The ranges inTwoHalves hands out, in no particular order.
std::vector<std::pair<std::size_t, std::size_t>> rangesFor(std::size_t count, std::size_t smallest)
{
    std::mutex guard;
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    inTwoHalves(count, smallest, [&](std::size_t begin, std::size_t end) {
        const std::lock_guard<std::mutex> lock(guard);
        ranges.emplace_back(begin, end);
    });
    std::sort(ranges.begin(), ranges.end());
    return ranges;
}

} // namespace

TEST(TwoHalves, SmallWorkStaysInOneCall)
{
    using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;
    EXPECT_EQ(rangesFor(0, 10), (Ranges{{0, 0}}));
    EXPECT_EQ(rangesFor(9, 10), (Ranges{{0, 9}}));
}

TEST(TwoHalves, LargeWorkIsCoveredOnceInOrderedHalves)
{
    using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;
    const Ranges ranges = rangesFor(11, 10);
    if (secondThreadAllowed())
        EXPECT_EQ(ranges, (Ranges{{0, 5}, {5, 11}}));
    else
        EXPECT_EQ(ranges, (Ranges{{0, 11}}));
}

TEST(TwoHalves, FailureOfEitherHalfReachesTheCaller)
{
    // The half holding the end fails: the other thread's when there is one.
    EXPECT_THROW(inTwoHalves(100, 10,
                             [](std::size_t, std::size_t end) {
                                 if (end == 100)
                                     throw std::runtime_error("second half");
                             }),
                 std::runtime_error);
    EXPECT_THROW(inTwoHalves(100, 10,
                             [](std::size_t begin, std::size_t) {
                                 if (begin == 0)
                                     throw std::runtime_error("first half");
                             }),
                 std::runtime_error);
}
