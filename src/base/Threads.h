#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
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

// Calls work(begin, end) over [0, count): the second half on another thread
// while this one does the first, when a second thread is allowed and count
// reaches `smallest`; otherwise once, here, over the whole.
template <typename Work>
void inTwoHalves(std::size_t count, std::size_t smallest, Work work)
{
    if (count < smallest || !secondThreadAllowed()) {
        work(std::size_t{0}, count);
        return;
    }
    const std::size_t half = count / 2;
    runTogether(
        true, [&] { work(std::size_t{0}, half); }, [&] { work(half, count); });
}

// Whose turn it is among numbered steps taken by two threads.
class Turns {
public:
    // Waits until step `turn` may go; false when a thread has given up.
    bool waitFor(std::size_t turn);
    // The next step may go.
    void pass();
    // A thread gives up; the other stops waiting.
    void abandon();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t current_ = 0;
    bool abandoned_ = false;
};

// Makes items 0 .. count - 1 and hands them on in that order: make(index,
// buffer) fills a buffer, then hand(buffer) passes it on. With a second
// thread (inParallel) the two threads take every other item, so that one
// makes its next item while the other hands its own on; each has a Buffer of
// its own. An exception on either thread reaches the caller.
template <typename Buffer, typename Make, typename Hand>
void makeAndHandInOrder(std::size_t count, bool inParallel, Make make, Hand hand)
{
    if (!inParallel || count < 2) {
        Buffer buffer;
        for (std::size_t index = 0; index < count; ++index) {
            make(index, buffer);
            hand(buffer);
        }
        return;
    }
    Turns turns;
    const auto everyOther = [&](std::size_t first) {
        try {
            Buffer buffer;
            for (std::size_t index = first; index < count; index += 2) {
                make(index, buffer);
                if (!turns.waitFor(index))
                    return;
                hand(buffer);
                turns.pass();
            }
        } catch (...) {
            turns.abandon();
            throw;
        }
    };
    runTogether(
        true, [&] { everyOther(0); }, [&] { everyOther(1); });
}
