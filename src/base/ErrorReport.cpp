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

void reportError(std::initializer_list<std::string> lines)
{
    if (chosenReporting == ErrorReporting::logAndConsole) {
        std::ofstream log(errorLogName, std::ios::out | std::ios::trunc);
        for (const std::string& line : lines) {
            log << line << std::endl;
            std::cout << line << std::endl;
        }
    }
    throw FatalError(std::vector<std::string>(lines));
}
