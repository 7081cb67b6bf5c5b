#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>

// Thrown by reportError once the message is on record. Only the entry point
// catches it, and turns it into exit status 1; nothing else of the program
// may catch it, so a fatal input error always ends the run.
class FatalError : public std::runtime_error {
public:
    explicit FatalError(const std::string& firstLine) : std::runtime_error(firstLine) {}
};

// Name of the error log, always in the working folder; it holds the lines of
// the last error reported.
inline const char* const errorLogName = "VarnoLog.txt";

// Writes each line, in order, to a freshly truncated "VarnoLog.txt" and then
// to standard output (one line at a time, the log first), then throws
// FatalError. A log that cannot be created still leaves the console copy.
[[noreturn]] void reportError(std::initializer_list<std::string> lines);
