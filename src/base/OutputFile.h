#pragma once

#include <fstream>
#include <ostream>
#include <string>

#include "base/ErrorReport.h"

// A file written under a name of its own beside its target and renamed onto
// the target only once complete: a failed or interrupted write never leaves
// a truncated file under the target's name nor spoils an earlier one, and
// two runs writing the same target at once each write a whole file (the
// last rename wins).
class OutputFile {
public:
    OutputFile() = default;
    // Removes the temporary file unless commit() renamed it.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file (target + ".XXXXXX") with the permissions a
    // plain create of the target would give; false when it cannot.
    bool open(const std::string& target);
    std::ostream& stream() { return out_; }
    const std::string& target() const { return target_; }
    // Closes the temporary file and renames it onto the target. False when a
    // write or the rename failed; the temporary file is then removed.
    bool commit();

private:
    std::string target_;
    std::string temporary_; // empty when there is none to remove
    std::ofstream out_;
};

// Writes a whole file through an OutputFile: write(stream) gives its content.
// A file that cannot be written, or a write that fails, goes through
// reportError as "<kind> could not be written: <fileName>".
template <typename Write>
void writeOutputFile(const std::string& fileName, const std::string& kind, Write write)
{
    OutputFile out;
    if (out.open(fileName)) {
        write(out.stream());
        if (out.commit())
            return;
    }
    reportFileError({kind + " could not be written: " + fileName});
}
