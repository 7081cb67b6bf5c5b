#include "support/TestSupport.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "varno-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    root = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root, ignored);
}

std::string TempDir::file(const std::string& name) const
{
    return root + "/" + name;
}

ScopedWorkingFolder::ScopedWorkingFolder(const std::string& folder) : previous(fs::current_path().string())
{
    fs::current_path(folder);
}

ScopedWorkingFolder::~ScopedWorkingFolder()
{
    std::error_code ignored;
    fs::current_path(previous, ignored);
}

void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool fileExists(const std::string& path)
{
    return fs::exists(path);
}

std::vector<std::string> listFiles(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string dataFile(const std::string& name)
{
    return std::string(VARNO_TEST_DATA) + "/" + name;
}

std::string sourceFile(const std::string& relativePath)
{
    return std::string(VARNO_SOURCE_ROOT) + "/" + relativePath;
}

namespace {
// Where a run's standard output and error are kept until it ends: named
// after its process, so that runs started together in one folder keep apart.
std::string capturePath(const std::string& workingFolder, int processId, const char* stream)
{
    return workingFolder + "/.varno-" + stream + "-" + std::to_string(processId);
}
} // namespace

StartedRun startVarno(const std::string& workingFolder, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, std::size_t addressSpaceLimit)
{
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const std::string outPath = capturePath(workingFolder, getpid(), "stdout");
        const std::string errPath = capturePath(workingFolder, getpid(), "stderr");
        if (chdir(workingFolder.c_str()) != 0)
            _exit(127);
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr)
            || !freopen("/dev/null", "r", stdin))
            _exit(127);
        for (const std::string& setting : environment)
            if (putenv(strdup(setting.c_str())) != 0)
                _exit(127);
        if (addressSpaceLimit != 0) {
            const rlimit limit{addressSpaceLimit, addressSpaceLimit};
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(127);
        }
        // The program runs as a user runs it: under root (CI, a fresh
        // container) file permissions still apply to it, because root's
        // power to read and write past them is not handed on by exec.
        if (geteuid() == 0
            && (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0
                || prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0))
            _exit(127);
        std::vector<char*> argv;
        std::string binary = VARNO_BINARY;
        argv.push_back(binary.data());
        std::vector<std::string> copies(arguments);
        for (std::string& argument : copies)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    return StartedRun{child, workingFolder};
}

RunResult finishRun(const StartedRun& run)
{
    int status = 0;
    waitpid(run.processId, &status, 0);
    RunResult result;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const std::string outPath = capturePath(run.workingFolder, run.processId, "stdout");
    const std::string errPath = capturePath(run.workingFolder, run.processId, "stderr");
    result.output = readFile(outPath);
    result.errors = readFile(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return result;
}

RunResult runVarno(const std::string& workingFolder, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment, std::size_t addressSpaceLimit)
{
    return finishRun(startVarno(workingFolder, arguments, environment, addressSpaceLimit));
}

bool toolInstalled(const std::string& tool)
{
    return std::system(("command -v '" + tool + "' > /dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

void writeOptionsFile(const std::string& path, const std::vector<std::string>& values)
{
    std::string text;
    int k = 1;
    for (const std::string& value : values)
        text += "value " + std::to_string(k++) + " $" + value + "\n";
    writeFile(path, text);
}

} // namespace testing_support
