#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testing_support {

// A fresh, empty folder that is removed with everything in it at scope exit.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return root; }
    // path() + "/" + name
    std::string file(const std::string& name) const;

private:
    std::string root;
};

// Makes `folder` the working folder until scope exit (in-process tests of
// code that writes "VarnoLog.txt" or other files into the working folder).
class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::string& folder);
    ~ScopedWorkingFolder();
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

private:
    std::string previous;
};

void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// Names of the plain files in a folder, sorted.
std::vector<std::string> listFiles(const std::string& folder);
// Path of a file under tests/data.
std::string dataFile(const std::string& name);
// Path of a file under the source root (examples/, ...).
std::string sourceFile(const std::string& relativePath);

struct RunResult {
    std::string output; // everything the program wrote to standard output
    std::string errors; // everything it wrote to standard error
    int exitStatus = -1;
};

// A run of the built binary that has been started and not yet waited for.
struct StartedRun {
    int processId = -1;
    std::string workingFolder;
};

// Starts the built varno binary with `arguments` in `workingFolder`, standard
// input closed. `environment` adds NAME=value settings to the program's
// environment; a nonzero `addressSpaceLimit` caps its address space (bytes).
StartedRun startVarno(const std::string& workingFolder, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment = {}, std::size_t addressSpaceLimit = 0);
// Waits for a started run to end and collects its output and exit status.
RunResult finishRun(const StartedRun& run);
// Starts a run and waits for it.
RunResult runVarno(const std::string& workingFolder, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {}, std::size_t addressSpaceLimit = 0);

// Whether `tool` is a command on the PATH.
bool toolInstalled(const std::string& tool);
// Skips the test, naming the tool and its Debian package, when an outside
// tool it is judged by is not installed (scripts/install-deps tests installs
// them all).
#define SKIP_WITHOUT_TOOL(tool, package)                                                                               \
    if (!testing_support::toolInstalled(tool))                                                                         \
    GTEST_SKIP() << "needs the outside tool " << (tool) << ", not installed (Debian package " << (package) << ")"

// The lines of a text, without their terminators.
std::vector<std::string> splitLines(const std::string& text);
// How often `part` occurs in `text`, without overlaps.
std::size_t countOf(const std::string& text, const std::string& part);

// Writes an options file with the sixteen values in order.
void writeOptionsFile(const std::string& path, const std::vector<std::string>& values);

} // namespace testing_support
