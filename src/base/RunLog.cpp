#include "base/RunLog.h"

#include <iostream>

#include "base/FileNames.h"

RunLog::RunLog(const std::string& sequenceFile, const std::string& outputFolder)
    : file(nameFor(sequenceFile, outputFolder), std::ios::out | std::ios::trunc)
{
}

std::string RunLog::nameFor(const std::string& sequenceFile, const std::string& outputFolder)
{
    return outputStem(sequenceFile, outputFolder) + ".log";
}

void logLine(RunLog& log, const std::string& text)
{
    log.file << text << std::endl;
    if (log.console)
        std::cout << text << std::endl;
}

void logValue(RunLog& log, const std::string& text, double number)
{
    log.file << text << number << std::endl;
    if (log.console)
        std::cout << text << number << std::endl;
}

void logPair(RunLog& log, const std::string& first, const std::string& second)
{
    log.file << first << second << std::endl;
    if (log.console)
        std::cout << first << second << std::endl;
}

namespace {
void announceUnwritable(const std::string& fileName, RunLog& log)
{
    logLine(log, "WARNING: could not write " + fileName);
}
} // namespace

bool openDiagnosticLog(OutputFile& file, const std::string& fileName, RunLog& log)
{
    if (!file.open(fileName)) {
        announceUnwritable(fileName, log);
        return false;
    }
    return true;
}

void closeDiagnosticLog(OutputFile& file, RunLog& log)
{
    const std::string fileName = file.target();
    if (!file.commit())
        announceUnwritable(fileName, log);
}
