#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

namespace fuzz_support {

// A private folder for the whole fuzzing process: every file a target writes
// (its inputs, "VarnoLog.txt", the run's outputs) lands here, and the folder
// goes away when the process ends normally.
class FuzzFolder {
public:
    FuzzFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varno-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder");
        root = pattern;
        // Progress and error lines would only slow the fuzzer down.
        std::cout.setstate(std::ios::badbit);
    }
    ~FuzzFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    // Removes what the previous input left behind, so files cannot pile up.
    void empty() const
    {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(root, ignored))
            std::filesystem::remove_all(entry.path(), ignored);
    }

    const std::filesystem::path& path() const { return root; }

private:
    std::filesystem::path root;
};

inline FuzzFolder& fuzzFolder()
{
    static FuzzFolder folder;
    return folder;
}

// Makes the fuzz folder the working folder for one input only: the fuzzer
// itself resolves its corpus paths from the folder it was started in.
class InFuzzFolder {
public:
    InFuzzFolder() : previous(std::filesystem::current_path()) { std::filesystem::current_path(fuzzFolder().path()); }
    ~InFuzzFolder() { std::filesystem::current_path(previous); }
    InFuzzFolder(const InFuzzFolder&) = delete;
    InFuzzFolder& operator=(const InFuzzFolder&) = delete;

    const FuzzFolder& folder() const { return fuzzFolder(); }

private:
    std::filesystem::path previous;
};

// Writes bytes to a file of the working folder, exactly as given.
inline void writeBytes(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline void writeBytes(const std::string& name, const std::string& bytes)
{
    writeBytes(name, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace fuzz_support
