#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Thrown by reportError once the message is on record. Only the entry point
// (or a caller that chose to take errors itself, below) catches it; nothing
// else of the program may, so a fatal input error always ends the run.
class FatalError : public std::runtime_error {
public:
    // What went wrong: the input itself, or a file that could not be opened,
    // read or written (a binding raises the two as different exceptions).
    enum class Cause { input, file };

    explicit FatalError(std::vector<std::string> lines, Cause cause = Cause::input)
        : std::runtime_error(lines.empty() ? std::string() : lines.front()), lines_(std::move(lines)), cause_(cause)
    {
    }
    // Every line of the message, the first one also as what().
    const std::vector<std::string>& lines() const { return lines_; }
    Cause cause() const { return cause_; }

private:
    std::vector<std::string> lines_;
    Cause cause_;
};

// Name of the error log, always in the working folder; it holds the lines of
// the last error reported.
inline const char* const errorLogName = "VarnoLog.txt";

// Where a fatal error's lines go before it is thrown. The program puts them
// on record: the error log, then the console. A caller that reports errors
// its own way (a binding for another language raises them) takes them from
// the FatalError alone, and nothing is written.
enum class ErrorReporting { logAndConsole, exceptionOnly };
// For the whole process, from now on; the program's default is logAndConsole.
void setErrorReporting(ErrorReporting reporting);

// Writes each line, in order, to a freshly truncated "VarnoLog.txt" and then
// to standard output (one line at a time, the log first), then throws
// FatalError. A log that cannot be created still leaves the console copy.
// Under ErrorReporting::exceptionOnly it only throws.
[[noreturn]] void reportError(std::initializer_list<std::string> lines);
// The same for a file that could not be opened, read or written: the
// FatalError carries Cause::file.
[[noreturn]] void reportFileError(std::initializer_list<std::string> lines);
