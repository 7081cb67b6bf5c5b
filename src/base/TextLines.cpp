#include "base/TextLines.h"

#include <algorithm>
#include <cstring>
#include <ios>

#include "base/ErrorReport.h"

bool readTextLine(std::istream& input, std::string& line)
{
    if (!std::getline(input, line)) {
        line.clear();
        return false;
    }
    // eof after a successful getline means the line had no terminator.
    if (!input.eof() && !line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

TextLines::TextLines(std::istream& input, std::size_t blockSize)
    : source_(*input.rdbuf()), block_(std::max<std::size_t>(blockSize, 1))
{
}

bool TextLines::take(std::string_view& text, bool inPieces)
{
    std::size_t searched = begin_;
    const char* newline = nullptr;
    while ((newline = static_cast<const char*>(std::memchr(block_.data() + searched, '\n', filled_ - searched)))
           == nullptr) {
        const std::size_t unread = filled_ - begin_;
        if (inPieces && unread == block_.size()) {
            // A carriage return at the block's end waits for the next piece:
            // a line feed may follow it.
            const std::size_t piece = unread - (block_[filled_ - 1] == '\r' ? 1 : 0);
            if (piece > 0) {
                text = std::string_view(block_.data() + begin_, piece);
                begin_ += piece;
                terminated_ = false;
                return true;
            }
        }
        // The bytes searched so far move with the rest.
        searched = unread;
        if (!readMore())
            break;
    }
    const char* first = block_.data() + begin_;
    if (newline == nullptr) {
        text = std::string_view(first, filled_ - begin_);
        begin_ = filled_;
        terminated_ = false;
        return !text.empty();
    }
    text = std::string_view(first, static_cast<std::size_t>(newline - first));
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    begin_ += static_cast<std::size_t>(newline - first) + 1;
    terminated_ = true;
    return true;
}

bool TextLines::readMore()
{
    if (sourceDone_)
        return false;
    std::memmove(block_.data(), block_.data() + begin_, filled_ - begin_);
    filled_ -= begin_;
    begin_ = 0;
    if (filled_ == block_.size())
        block_.resize(block_.size() * 2);
    std::streamsize count = 0;
    try {
        count = source_.sgetn(block_.data() + filled_, static_cast<std::streamsize>(block_.size() - filled_));
    } catch (const std::ios_base::failure&) {
        // A file that fails to read midway (a disk or network error) must not
        // pass for a shorter file.
        reportFileError({"Read error: the input file could not be read to its end."});
    }
    if (count <= 0) {
        sourceDone_ = true;
        return false;
    }
    filled_ += static_cast<std::size_t>(count);
    return true;
}
