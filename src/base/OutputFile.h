#pragma once

#include <fstream>
#include <ostream>
#include <string>

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
