#pragma once

#include <fstream>
#include <string>

#include "base/OutputFile.h"

// The run log channel: every progress or warning line of a run goes to the
// run log file first and then to standard output, each flushed at once.
class RunLog {
public:
    RunLog() = default; // a channel without a file: console only (tests)
    explicit RunLog(const std::string& sequenceFile, const std::string& outputFolder = std::string());

    // The run log's name: the sequence file name up to its last '.' at or
    // before index 1024 (directory part kept, or the output folder instead
    // when one is given), followed by ".log".
    static std::string nameFor(const std::string& sequenceFile, const std::string& outputFolder = std::string());

    std::ofstream file; // stays failed, silently, when it cannot be created
    // Whether each line is also printed. A binding for another language
    // prints nothing unless asked, and keeps the file alone.
    bool console = true;
};

void logLine(RunLog& log, const std::string& text);
// `text` directly followed by `number` in the stream's default notation
// (6 significant digits, so 3.0 prints as 3).
void logValue(RunLog& log, const std::string& text, double number);
void logPair(RunLog& log, const std::string& first, const std::string& second);

// Opens a diagnostic log for writing; on failure announces it on the run log
// channel. Returns whether the file's stream is usable.
bool openDiagnosticLog(OutputFile& file, const std::string& fileName, RunLog& log);
// Puts a complete diagnostic log in place under its name; a write that failed
// is announced as a log that could not be created is.
void closeDiagnosticLog(OutputFile& file, RunLog& log);
