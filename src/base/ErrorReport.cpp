#include "base/ErrorReport.h"

#include <atomic>
#include <fstream>
#include <iostream>

namespace {
std::atomic<ErrorReporting> chosenReporting{ErrorReporting::logAndConsole};
} // namespace

void setErrorReporting(ErrorReporting reporting)
{
    chosenReporting = reporting;
}

namespace {
[[noreturn]] void report(std::initializer_list<std::string> lines, FatalError::Cause cause)
{
    if (chosenReporting == ErrorReporting::logAndConsole) {
        std::ofstream log(errorLogName, std::ios::out | std::ios::trunc);
        for (const std::string& line : lines) {
            log << line << std::endl;
            std::cout << line << std::endl;
        }
    }
    throw FatalError(std::vector<std::string>(lines), cause);
}
} // namespace

void reportError(std::initializer_list<std::string> lines)
{
    report(lines, FatalError::Cause::input);
}

void reportFileError(std::initializer_list<std::string> lines)
{
    report(lines, FatalError::Cause::file);
}
