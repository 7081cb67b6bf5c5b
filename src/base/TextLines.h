#pragma once

#include <algorithm>
#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

// Reads one text line into `line`, without its terminator: a line feed, or a
// carriage return and line feed. A carriage return not followed by a line
// feed stays. Returns false, with `line` empty, when no line was left.
bool readTextLine(std::istream& input, std::string& line);

// A text taken from a stream's buffer in large blocks and handed out one line
// at a time as a view into the block, with the line ends of readTextLine: a
// genome's lines are found with memchr and never copied one by one. It reads
// ahead of the lines handed out, so the stream is not left where the last
// line ended; all further reading goes through here.
class TextLines {
public:
    // Small enough to stay in the cache while its lines are taken, and larger
    // than InputFile's buffer, so that a file is read straight into it.
    static constexpr std::size_t defaultBlockSize = std::size_t{1} << 18;

    // A line longer than `blockSize` grows the block to hold it, unless it
    // is taken in pieces.
    explicit TextLines(std::istream& input, std::size_t blockSize = defaultBlockSize);

    // The next line, valid up to the next call of any member; false, with
    // `line` empty, when no line was left.
    bool next(std::string_view& line) { return take(line, false); }
    // The same, except that a line longer than the block comes in pieces, as
    // much as the block holds at a time, and the block never grows: for lines
    // that are only collected, like a genome written on one line.
    bool nextPiece(std::string_view& piece) { return take(piece, true); }
    // Whether the line or piece last handed out was followed by a line feed:
    // the text's last line may not be, a piece that leaves part of its line
    // for the next one is not.
    bool terminated() const { return terminated_; }
    // Whether the text not yet handed out begins with `text`.
    bool startsWith(std::string_view text) { return peek(text.size()) == text; }
    // The next `count` bytes not yet handed out, fewer at the text's end;
    // valid up to the next call of any member.
    std::string_view peek(std::size_t count)
    {
        while (filled_ - begin_ < count)
            if (!readMore())
                break;
        return {block_.data() + begin_, std::min(count, filled_ - begin_)};
    }
    // Hands out the next `count` bytes that peek gave, which end a line.
    void skip(std::size_t count)
    {
        begin_ += count;
        terminated_ = true;
    }
    bool atEnd() { return begin_ == filled_ && !readMore(); }

private:
    bool take(std::string_view& text, bool inPieces);
    // Keeps the bytes not yet handed out, at the block's front (a block they
    // fill grows), and reads more after them; false when the stream had
    // nothing more.
    bool readMore();

    std::streambuf& source_;
    std::vector<char> block_;
    std::size_t begin_ = 0; // block_[begin_, filled_) is read and not yet handed out
    std::size_t filled_ = 0;
    bool sourceDone_ = false;
    bool terminated_ = true;
};
