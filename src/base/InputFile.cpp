#include "base/InputFile.h"

#include <zlib.h>

#include <filesystem>
#include <system_error>

#include "base/ErrorReport.h"

namespace {

constexpr std::size_t inflatedBlock = std::size_t{1} << 18;

} // namespace

// Inflates gzip members from the file's stream buffer, one block at a time.
class InputFile::Inflater : public std::streambuf {
public:
    Inflater(std::streambuf& source, std::string fileName, std::size_t bufferSize)
        : source_(source), fileName_(std::move(fileName)), input_(bufferSize), output_(inflatedBlock)
    {
        // 15 + 16: a window of 2^15 bytes, gzip wrapping only.
        if (inflateInit2(&stream_, 15 + 16) != Z_OK)
            reportError({"Not enough memory to read " + fileName_});
    }
    ~Inflater() override { inflateEnd(&stream_); }

protected:
    int_type underflow() override
    {
        while (gptr() == egptr()) {
            if (finished_)
                return traits_type::eof();
            inflateSome();
        }
        return traits_type::to_int_type(*gptr());
    }

private:
    // Inflates what the next input allows into the output block.
    void inflateSome()
    {
        if (stream_.avail_in == 0 && !refill()) {
            // The file ended between members, or inside one.
            if (!betweenMembers_)
                damaged();
            finished_ = true;
            setg(output_.data(), output_.data(), output_.data());
            return;
        }
        stream_.next_out = reinterpret_cast<Bytef*>(output_.data());
        stream_.avail_out = static_cast<uInt>(output_.size());
        const int status = inflate(&stream_, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            damaged();
        betweenMembers_ = status == Z_STREAM_END;
        // A member ended: the next one, if any, reads on as the same text.
        if (betweenMembers_ && inflateReset(&stream_) != Z_OK)
            damaged();
        setg(output_.data(), output_.data(), output_.data() + (output_.size() - stream_.avail_out));
    }

    bool refill()
    {
        const std::streamsize count = source_.sgetn(input_.data(), static_cast<std::streamsize>(input_.size()));
        if (count <= 0)
            return false;
        stream_.next_in = reinterpret_cast<Bytef*>(input_.data());
        stream_.avail_in = static_cast<uInt>(count);
        return true;
    }

    [[noreturn]] void damaged() { reportError({"Damaged or incomplete compressed file: " + fileName_}); }

    std::streambuf& source_;
    std::string fileName_;
    std::vector<char> input_;
    std::vector<char> output_;
    z_stream stream_{};
    bool betweenMembers_ = true;
    bool finished_ = false;
};

InputFile::InputFile(const std::string& fileName, std::size_t bufferSize) : buffer_(bufferSize)
{
    file_.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    file_.open(fileName, std::ios::in);
    // A directory opens like an empty file but fails on the first read.
    if (file_.is_open())
        file_.peek();
    if (!file_.is_open() || file_.bad())
        reportFileError({"Incorrect file name: " + fileName});

    // The first two bytes tell a gzip file; both are still in the buffer
    // after the peek, so the second can be put back.
    std::streambuf& source = *file_.rdbuf();
    bool compressed = false;
    if (source.sgetc() == 0x1f) {
        source.sbumpc();
        compressed = source.sgetc() == 0x8b;
        source.sungetc();
    }
    if (!compressed) {
        std::error_code unknown;
        const std::uintmax_t size = std::filesystem::file_size(fileName, unknown);
        sizeHint_ = unknown ? 0 : size;
        return;
    }
    inflater_ = std::make_unique<Inflater>(source, fileName, bufferSize);
    unpacked_ = std::make_unique<std::istream>(inflater_.get());
    // A damaged file is reported from inside the stream buffer: the report
    // must reach the caller, not be turned into a failed read.
    unpacked_->exceptions(std::ios::badbit);
}

InputFile::~InputFile() = default;
