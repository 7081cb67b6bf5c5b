#pragma once

#include <cstdint>
#include <fstream>
#include <istream>
#include <memory>
#include <string>
#include <vector>

// A text file opened for reading, compressed or not: a gzip file (told by its
// first two bytes) reads as its uncompressed content, several members one
// after the other as one stream. Readers take stream() and never know which
// it was. A damaged or cut-short compressed file ends the run through
// reportError while it is read.
class InputFile {
public:
    // reportError "Incorrect file name: <name>" when the file cannot be read.
    // The file is read `bufferSize` bytes at a time.
    explicit InputFile(const std::string& fileName, std::size_t bufferSize = std::size_t{1} << 16);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::istream& stream() { return unpacked_ ? *unpacked_ : file_; }
    // The size of the text as read when it is known beforehand (an
    // uncompressed regular file), else 0.
    std::uint64_t sizeHint() const { return sizeHint_; }

private:
    class Inflater;

    std::vector<char> buffer_;
    std::ifstream file_;
    std::unique_ptr<Inflater> inflater_;
    std::unique_ptr<std::istream> unpacked_;
    std::uint64_t sizeHint_ = 0;
};
