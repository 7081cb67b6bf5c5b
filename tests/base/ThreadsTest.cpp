#include "base/Threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

TEST(MakeAndHand, ItemsAreHandedOnInOrder)
{
    // Items made at uneven speeds still go out in their order, each once.
    for (const bool inParallel : {false, true}) {
        for (const std::size_t count : {0, 1, 2, 7, 64}) {
            std::vector<std::size_t> handed;
            makeAndHandInOrder<std::vector<std::size_t>>(
                count, inParallel,
                [](std::size_t index, std::vector<std::size_t>& buffer) {
                    if (index % 3 == 0)
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                    buffer.assign(1 + index % 4, index);
                },
                [&](const std::vector<std::size_t>& buffer) {
                    handed.insert(handed.end(), buffer.begin(), buffer.end());
                });
            std::vector<std::size_t> expected;
            for (std::size_t index = 0; index < count; ++index)
                expected.insert(expected.end(), 1 + index % 4, index);
            EXPECT_EQ(handed, expected) << "count " << count << " parallel " << inParallel;
        }
    }
}

TEST(MakeAndHand, FailureOnEitherThreadReachesTheCallerWithoutAHang)
{
    // Odd items are the other thread's; a failure there, or in handing on,
    // must not leave this one waiting for a turn that never comes.
    for (const std::size_t failing : {0, 1, 4, 5}) {
        EXPECT_THROW(makeAndHandInOrder<int>(
                         10, true,
                         [&](std::size_t index, int&) {
                             if (index == failing)
                                 throw std::runtime_error("make");
                         },
                         [](const int&) {}),
                     std::runtime_error);
    }
    std::size_t handedCount = 0;
    EXPECT_THROW(makeAndHandInOrder<int>(
                     10, true, [](std::size_t, int&) {},
                     [&](const int&) {
                         if (++handedCount == 4)
                             throw std::runtime_error("hand");
                     }),
                 std::runtime_error);
}
