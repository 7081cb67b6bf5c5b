#include "base/OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {
// The mode a plain create gives: 0666 less the process's umask. The umask
// can only be read by setting it, so it is read once, on the first file a
// run writes, before any second thread could create a file of its own.
mode_t createMode()
{
    static const mode_t mode = [] {
        const mode_t mask = umask(0);
        umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}
} // namespace

OutputFile::~OutputFile()
{
    if (!temporary_.empty()) {
        out_.close();
        std::remove(temporary_.c_str());
    }
}

bool OutputFile::open(const std::string& target)
{
    target_ = target;
    std::string pattern = target + ".XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0)
        return false;
    temporary_ = pattern;
    // mkstemp makes the file readable by its owner alone.
    const bool ready = fchmod(descriptor, createMode()) == 0;
    close(descriptor);
    if (ready)
        out_.open(temporary_, std::ios::out | std::ios::trunc);
    return ready && out_.is_open();
}

bool OutputFile::commit()
{
    out_.close();
    const bool written = !out_.fail() && !temporary_.empty();
    if (written && std::rename(temporary_.c_str(), target_.c_str()) == 0) {
        temporary_.clear();
        return true;
    }
    if (!temporary_.empty())
        std::remove(temporary_.c_str());
    temporary_.clear();
    return false;
}
