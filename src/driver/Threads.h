#pragma once

#include <cstddef>
#include <exception>
#include <thread>

// Whether work may go to a second thread: the machine has more than one
// core, and VARNO_THREADS=1 does not keep varno to one (a cluster job given
// a single core).
bool secondThreadAllowed();

// Calls work(begin, end) over [0, count): the second half on another thread
// while this one does the first, when a second thread is allowed and count
// reaches `smallest`; otherwise once, here, over the whole. Returns when both
// halves are done; an exception on the other thread is rethrown here. The
// halves must not touch the same data.
template <typename Work>
void inTwoHalves(std::size_t count, std::size_t smallest, Work work)
{
    if (count < smallest || !secondThreadAllowed()) {
        work(std::size_t{0}, count);
        return;
    }
    const std::size_t half = count / 2;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work(half, count);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    {
        // Joined on every way out: the worker uses this frame's data.
        struct Joiner {
            std::thread& thread;
            ~Joiner() { thread.join(); }
        } joiner{worker};
        work(std::size_t{0}, half);
    }
    if (failure)
        std::rethrow_exception(failure);
}
