#include "base/Threads.h"

#include <cstdlib>
#include <string>

bool secondThreadAllowed()
{
    static const bool allowed = [] {
        const char* threads = std::getenv("VARNO_THREADS");
        return std::thread::hardware_concurrency() > 1 && !(threads != nullptr && std::string(threads) == "1");
    }();
    return allowed;
}

bool Turns::waitFor(std::size_t turn)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return current_ == turn || abandoned_; });
    return !abandoned_;
}

void Turns::pass()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++current_;
    }
    changed_.notify_all();
}

void Turns::abandon()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        abandoned_ = true;
    }
    changed_.notify_all();
}
