#pragma once

#include <fstream>
#include <string>

// The run log channel: every progress or warning line of a run goes to the
// run log file first and then to standard output, each flushed at once.
class RunLog {
public:
    RunLog() = default; // a channel without a file: console only (tests)
    explicit RunLog(const std::string& sequenceFile);

    // The run log's name: the sequence file name up to its last '.' at or
    // before index 1024 (directory part kept), followed by ".log".
    static std::string nameFor(const std::string& sequenceFile);

    std::ofstream file; // stays failed, silently, when it cannot be created
};

void logLine(RunLog& log, const std::string& text);
// `text` directly followed by `number` in the stream's default notation
// (6 significant digits, so 3.0 prints as 3).
void logValue(RunLog& log, const std::string& text, double number);
void logPair(RunLog& log, const std::string& first, const std::string& second);

// Opens a diagnostic log for writing; on failure announces it on the run log
// channel. Returns whether the stream is usable.
bool openDiagnosticLog(std::ofstream& stream, const std::string& fileName, RunLog& log);
