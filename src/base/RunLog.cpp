#include "base/RunLog.h"

#include <iostream>

#include "base/FileNames.h"

RunLog::RunLog(const std::string& sequenceFile) : file(nameFor(sequenceFile), std::ios::out | std::ios::trunc) {}

std::string RunLog::nameFor(const std::string& sequenceFile)
{
    return stemOf(sequenceFile) + ".log";
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

bool openDiagnosticLog(std::ofstream& stream, const std::string& fileName, RunLog& log)
{
    stream.open(fileName, std::ios::out | std::ios::trunc);
    if (!stream) {
        logLine(log, "WARNING: could not write " + fileName);
        return false;
    }
    return true;
}
