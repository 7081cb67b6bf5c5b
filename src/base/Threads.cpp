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
