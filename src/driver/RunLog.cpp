#include "driver/RunLog.h"

#include <iostream>

namespace {
// File names are searched for their last '.' only up to this index.
constexpr std::string::size_type nameSearchLimit = 1024;
}

RunLog::RunLog(const std::string& sequenceFile)
    : file(nameFor(sequenceFile), std::ios::out | std::ios::trunc)
{
}

std::string RunLog::nameFor(const std::string& sequenceFile)
{
    const std::string::size_type dot = sequenceFile.rfind('.', nameSearchLimit);
    return sequenceFile.substr(0, dot) + ".log";
}

void logLine(RunLog& log, const std::string& text)
{
    log.file << text << std::endl;
    std::cout << text << std::endl;
}

void logValue(RunLog& log, const std::string& text, double number)
{
    log.file << text << number << std::endl;
    std::cout << text << number << std::endl;
}

void logPair(RunLog& log, const std::string& first, const std::string& second)
{
    log.file << first << second << std::endl;
    std::cout << first << second << std::endl;
}
