#include "base/ErrorReport.h"

#include <fstream>
#include <iostream>

void reportError(std::initializer_list<std::string> lines)
{
    std::ofstream log(errorLogName, std::ios::out | std::ios::trunc);
    for (const std::string& line : lines) {
        log << line << std::endl;
        std::cout << line << std::endl;
    }
    log.close();
    throw FatalError(lines.size() > 0 ? *lines.begin() : std::string());
}
