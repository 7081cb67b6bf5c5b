#include "base/Threads.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(RunTogether, BothPartsRunOnceEitherWay)
{
    for (const bool inParallel : {false, true}) {
        int here = 0, aside = 0;
        runTogether(
            inParallel, [&] { ++here; }, [&] { ++aside; });
        EXPECT_EQ(here, 1);
        EXPECT_EQ(aside, 1);
    }
}

TEST(RunTogether, FailureOfEitherPartReachesTheCaller)
{
    for (const bool inParallel : {false, true}) {
        EXPECT_THROW(runTogether(
                         inParallel, [] {}, [] { throw std::runtime_error("aside"); }),
                     std::runtime_error);
        EXPECT_THROW(runTogether(
                         inParallel, [] { throw std::runtime_error("here"); }, [] {}),
                     std::runtime_error);
    }
}
