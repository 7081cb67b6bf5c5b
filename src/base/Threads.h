#pragma once

#include <cstddef>
#include <exception>
#include <thread>

// Whether work may go to a second thread: the machine has more than one
// core, and VARNO_THREADS=1 does not keep varno to one (a cluster job given
// a single core).
bool secondThreadAllowed();

// Runs here() on this thread and aside() on another at the same time when
// inParallel, one after the other here otherwise. Returns when both are
// done; an exception on the other thread is rethrown here. The two must not
// touch the same data.
template <typename Here, typename Aside>
void runTogether(bool inParallel, Here here, Aside aside)
{
    if (!inParallel) {
        here();
        aside();
        return;
    }
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            aside();
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
        here();
    }
    if (failure)
        std::rethrow_exception(failure);
}
