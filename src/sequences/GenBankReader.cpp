#include "sequences/GenBankReader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "base/ErrorReport.h"
#include "base/TextLines.h"
#include "sequences/SequenceSet.h"

namespace {

constexpr std::string::size_type maximumNameLength = 1024;
constexpr std::string::size_type locusNameIndex = 12;
constexpr std::string::size_type definitionIndex = 12;
constexpr std::string::size_type featureKeyIndex = 5;
constexpr std::string::size_type latestCdsIndex = 10;
constexpr std::string::size_type locationIndex = 21;
constexpr int blocksPerSequenceLine = 6;

// Room for one gene per 1000 declared bases and for the bases up to the last
// gene's end. Both are hints only: capped so that an absurd length or
// coordinate costs a little spare room, never the run.
constexpr long long basesPerGene = 1000;
constexpr long long maximumGeneHint = 20000;
constexpr std::uint64_t spareBases = 5000;
constexpr std::uint64_t maximumBasesHint = std::uint64_t{1} << 24;

// The feature table, walked one line at a time. The end of the file reads as
// an ORIGIN line: both end the feature section.
class FeatureLines {
public:
    FeatureLines(std::istream& input, std::string firstLine) : line(std::move(firstLine)), input(input) {}

    void next()
    {
        if (!readTextLine(input, line))
            atEnd = true;
        else if (!inFeatures)
            noteHeaderLine();
    }
    bool contains(const char* text) const { return line.find(text) != std::string::npos; }
    bool isOrigin() const { return atEnd || line.compare(0, 6, "ORIGIN") == 0; }
    // "CDS" in or left of the feature key column.
    bool isCds() const
    {
        const std::string::size_type key = line.find("CDS");
        return key != std::string::npos && key <= latestCdsIndex;
    }
    bool hasCdsKey() const
    {
        return line.size() >= featureKeyIndex + 3 && line.compare(featureKeyIndex, 3, "CDS") == 0;
    }

    std::string line;
    bool atEnd = false;
    std::string version; // first word of the VERSION line, if the header has one

private:
    // The header, up to FEATURES, may name the accession.version.
    void noteHeaderLine()
    {
        if (line.compare(0, 8, "FEATURES") == 0) {
            inFeatures = true;
        } else if (version.empty() && line.compare(0, 7, "VERSION") == 0) {
            const std::string::size_type first = line.find_first_not_of(" \t", 7);
            if (first != std::string::npos)
                version = line.substr(first, line.find_first_of(" \t\r", first) - first);
        }
    }

    std::istream& input;
    bool inFeatures = false;
};

// An unsigned decimal after optional blanks and tabs. Fails, leaving `value`
// as it was, when no digit follows or the number does not fit in 32 bits.
bool readCoordinate(const std::string& text, std::uint32_t& value)
{
    std::string::size_type i = text.find_first_not_of(" \t");
    if (i == std::string::npos || text[i] < '0' || text[i] > '9')
        return false;
    std::uint64_t number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        number = number * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (number > std::numeric_limits<std::uint32_t>::max())
            return false;
    }
    value = static_cast<std::uint32_t>(number);
    return true;
}

// Only a..b and complement(a..b) are understood; anything else (join, order,
// partial ends) leaves the unreadable coordinate and the ones after it at 0.
void readLocation(const std::string& line, Gene& gene)
{
    gene.forward = !(line.size() >= locationIndex + 10 && line.compare(locationIndex, 10, "complement") == 0);
    const std::string::size_type range = line.find("..");
    std::string first;
    std::string second;
    if (gene.forward) {
        if (range == std::string::npos || range < locationIndex)
            return;
        first = line.substr(locationIndex, range - locationIndex);
        second = line.substr(range + 2);
    } else {
        const std::string::size_type open = line.find('(');
        const std::string::size_type close = line.find(')');
        if (open == std::string::npos || range == std::string::npos || close == std::string::npos || open > range
            || range > close)
            return;
        first = line.substr(open + 1, range - open - 1);
        second = line.substr(range + 2, close - range - 2);
    }
    std::uint32_t& firstCoordinate = gene.forward ? gene.start : gene.end;
    std::uint32_t& secondCoordinate = gene.forward ? gene.end : gene.start;
    if (readCoordinate(first, firstCoordinate))
        readCoordinate(second, secondCoordinate);
}

// The text between the line's first two double quotes; the rest of the line
// when the value goes on to the next line; the whole line without quotes.
std::string qualifierValue(const std::string& line)
{
    const std::string::size_type open = line.find('"');
    if (open == std::string::npos)
        return line;
    const std::string::size_type close = line.find('"', open + 1);
    return line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

// /gene= is looked for on the first qualifier line and the one after it only.
std::string findGeneName(FeatureLines& lines)
{
    if (lines.contains("/gene="))
        return qualifierValue(lines.line);
    if (lines.contains("/locus_tag=") || lines.hasCdsKey() || lines.isOrigin())
        return std::string();
    lines.next();
    return lines.contains("/gene=") ? qualifierValue(lines.line) : std::string();
}

// Searches on from the current line until `key`, `stopKey` (when given), the
// next CDS or the end of the features.
std::string findQualifier(FeatureLines& lines, const char* key, const char* stopKey)
{
    while (!lines.contains(key) && !(stopKey != nullptr && lines.contains(stopKey)) && !lines.isCds()
           && !lines.isOrigin())
        lines.next();
    return lines.contains(key) ? qualifierValue(lines.line) : std::string();
}

void readLocusLine(const std::string& line, Sequence& sequence)
{
    if (line.size() <= locusNameIndex)
        return;
    const std::string::size_type blank = line.find(' ', locusNameIndex);
    if (blank == std::string::npos) {
        sequence.locusName = line.substr(locusNameIndex);
        return;
    }
    sequence.locusName = line.substr(locusNameIndex, blank - locusNameIndex);
    const std::string::size_type unit = line.find("bp", blank);
    if (unit == std::string::npos)
        return;
    const long long length = std::strtoll(line.substr(blank, unit - blank).c_str(), nullptr, 10);
    if (length > 0)
        sequence.genes.reserve(static_cast<std::size_t>(std::min(length / basesPerGene, maximumGeneHint)));
}

void readFeatures(FeatureLines& lines, std::vector<Gene>& genes)
{
    for (;;) {
        while (!lines.isCds() && !lines.isOrigin())
            lines.next();
        if (lines.isOrigin())
            return;
        Gene gene;
        readLocation(lines.line, gene);
        lines.next();
        gene.geneName = findGeneName(lines);
        gene.locusTag = findQualifier(lines, "/locus_tag=", "/product=");
        gene.product = findQualifier(lines, "/product=", nullptr);
        genes.push_back(std::move(gene));
    }
}

// The letters up to the first '/'.
std::string cutAtSlash(std::string letters)
{
    const std::string::size_type slash = letters.find('/');
    if (slash != std::string::npos)
        letters.erase(slash);
    return letters;
}

// The bytes that separate tokens when a stream reads words (the classic
// locale's white space).
constexpr std::array<bool, 256> tokenSeparators = [] {
    std::array<bool, 256> separators{};
    for (const unsigned char byte : {' ', '\n', '\t', '\r', '\v', '\f'})
        separators[byte] = true;
    return separators;
}();

// Line ends are not looked at: each sequence line is taken to be a position
// number followed by six blocks of bases, so every seventh token, from the
// first on, is dropped. A token that begins with "//" ends the record
// wherever it falls. Reads the stream in large blocks: this is the bulk of a
// genome file, and nothing after the first record is read again.
std::string readOrigin(std::istream& input, std::uint64_t capacityHint)
{
    constexpr std::uint64_t tokensPerLine = 1 + blocksPerSequenceLine;
    std::string collected;
    collected.reserve(static_cast<std::size_t>(std::min(capacityHint, maximumBasesHint)));
    std::streambuf* buffer = input.rdbuf();
    std::uint64_t tokenIndex = 0;
    bool inToken = false;
    bool kept = false;
    // A token began with '/': whether it ends the record depends on the next byte.
    bool slashStarted = false;
    const auto startToken = [&] {
        kept = tokenIndex++ % tokensPerLine != 0;
        inToken = true;
    };
    const auto take = [&](unsigned char byte) {
        if (kept)
            collected.push_back(byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A')
                                                           : static_cast<char>(byte));
    };
    std::array<char, 1 << 16> block;
    for (std::streamsize count; (count = buffer->sgetn(block.data(), block.size())) > 0;) {
        for (std::streamsize i = 0; i < count; ++i) {
            const auto byte = static_cast<unsigned char>(block[static_cast<std::size_t>(i)]);
            if (slashStarted) {
                slashStarted = false;
                if (byte == '/')
                    return cutAtSlash(std::move(collected));
                startToken();
                take('/');
            }
            if (tokenSeparators[byte]) {
                inToken = false;
            } else if (inToken) {
                take(byte);
            } else if (byte == '/') {
                slashStarted = true;
            } else {
                startToken();
                take(byte);
            }
        }
    }
    if (slashStarted) {
        startToken();
        take('/');
    }
    return cutAtSlash(std::move(collected));
}
// One record of a GenBank file as a stream of its own: from where the last
// record ended (or the file's start) up to its first line beginning with
// "//", or else up to the next line beginning with "LOCUS", or to the end of
// the file. The line that ends a record is not part of it.
class RecordBuffer : public std::streambuf {
public:
    explicit RecordBuffer(std::streambuf& source) : source_(source), block_(blockSize) {}

    // Passes over the rest of this record and, after a "//" line, over the
    // lines up to the next one beginning with "LOCUS": true when a record
    // starts there.
    bool nextRecord()
    {
        while (underflow() != traits_type::eof())
            setg(eback(), egptr(), egptr());
        const End end = end_;
        end_ = End::None;
        firstLine_ = true;
        if (end == End::Locus)
            return true;
        if (end != End::Slashes)
            return false;
        // From the "//" line on, line by line.
        for (;;) {
            const char* newline = nullptr;
            while ((newline = static_cast<const char*>(std::memchr(&block_[begin_], '\n', filled_ - begin_)))
                   == nullptr) {
                begin_ = filled_;
                if (!readMore())
                    return false;
            }
            begin_ = static_cast<std::size_t>(newline - block_.data()) + 1;
            if (filled_ - begin_ < 5)
                readMore();
            if (startsWith("LOCUS"))
                return true;
        }
    }

protected:
    int_type underflow() override
    {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        if (end_ != End::None)
            return traits_type::eof();
        if (begin_ == filled_ && !readMore()) {
            end_ = End::File;
            return traits_type::eof();
        }
        // The bytes handed on: up to the record's end, or to a line start
        // that cannot be told yet, or all that was read.
        std::size_t from = begin_;
        std::size_t until = filled_;
        bool lineStart = lineStart_;
        for (std::size_t at = begin_;;) {
            if (lineStart) {
                if (filled_ - at < 5 && !sourceDone_) {
                    if (at > from) {
                        until = at;
                        break;
                    }
                    readMore();
                    from = at = begin_;
                    until = filled_;
                    continue;
                }
                begin_ = at;
                if (startsWith("//")) {
                    end_ = End::Slashes;
                    until = at;
                    break;
                }
                if (!firstLine_ && startsWith("LOCUS")) {
                    end_ = End::Locus;
                    until = at;
                    break;
                }
                firstLine_ = false;
            }
            const auto* newline = static_cast<const char*>(std::memchr(&block_[at], '\n', filled_ - at));
            if (newline == nullptr) {
                lineStart = false;
                break;
            }
            at = static_cast<std::size_t>(newline - block_.data()) + 1;
            lineStart = true;
            if (at == filled_)
                break;
        }
        lineStart_ = lineStart;
        begin_ = until;
        setg(&block_[from], &block_[from], block_.data() + until);
        if (from == until)
            return traits_type::eof();
        return traits_type::to_int_type(*gptr());
    }

private:
    enum class End { None, Slashes, Locus, File };
    static constexpr std::size_t blockSize = std::size_t{1} << 16;

    bool startsWith(const char* text) const
    {
        const std::size_t length = std::strlen(text);
        return filled_ - begin_ >= length && std::memcmp(&block_[begin_], text, length) == 0;
    }

    // Moves the bytes not yet handed on to the front and reads more after
    // them; false when the source had nothing more.
    bool readMore()
    {
        std::memmove(block_.data(), &block_[begin_], filled_ - begin_);
        filled_ -= begin_;
        begin_ = 0;
        setg(block_.data(), block_.data(), block_.data());
        if (sourceDone_)
            return false;
        const std::streamsize count =
            source_.sgetn(&block_[filled_], static_cast<std::streamsize>(block_.size() - filled_));
        if (count <= 0) {
            sourceDone_ = true;
            return false;
        }
        filled_ += static_cast<std::size_t>(count);
        return true;
    }

    std::streambuf& source_;
    std::vector<char> block_;
    std::size_t begin_ = 0; // block_[begin_, filled_) is read and not yet handed on
    std::size_t filled_ = 0;
    bool sourceDone_ = false;
    bool lineStart_ = true; // block_[begin_] starts a line
    bool firstLine_ = true; // the record's own first line is still to come
    End end_ = End::None;
};

} // namespace

void readGenBankFile(std::istream& input, std::vector<Sequence>& sequences)
{
    RecordBuffer records(*input.rdbuf());
    std::istream record(&records);
    // A read error of the file itself reaches the caller as it is.
    record.exceptions(std::ios::badbit);
    do {
        Sequence sequence;
        sequence.sourceFormat = 'G';
        readGenBankRecord(sequence, record);
        sequences.push_back(std::move(sequence));
        record.clear();
    } while (records.nextRecord());
}

void readGenBankRecord(Sequence& sequence, std::istream& input)
{
    std::string line;
    readTextLine(input, line);
    if (line.compare(0, 5, "LOCUS") != 0)
        reportError({"Invalid format for GenBank file. No LOCUS definition!"});
    readLocusLine(line, sequence);

    // The line after LOCUS is taken as the definition, whatever it holds.
    readTextLine(input, line);
    sequence.name = line.size() > definitionIndex ? line.substr(definitionIndex, maximumNameLength) : std::string();

    FeatureLines lines(input, line);
    readFeatures(lines, sequence.genes);
    sequence.id = lines.version.empty() ? sequence.locusName : lines.version;

    const std::uint64_t capacityHint = sequence.genes.empty() ? 0 : sequence.genes.back().end + spareBases;
    std::string bases = readOrigin(input, capacityHint);
    trimBases(bases);
    sequence.bases = std::move(bases);
    sequence.genes.shrink_to_fit();
    if (sequence.bases.empty())
        reportError({"No sequence read. Please check GenBank file!"});
    cleanGeneTexts(sequence);
}

void cleanGeneTexts(Sequence& sequence)
{
    for (Gene& gene : sequence.genes) {
        std::replace(gene.geneName.begin(), gene.geneName.end(), ',', '.');
        std::replace(gene.product.begin(), gene.product.end(), ',', '.');
        std::replace(gene.locusTag.begin(), gene.locusTag.end(), ',', '.');
    }
}
