#include "sequences/GenBankReader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ErrorReport.h"
#include "base/FreshMemory.h"
#include "sequences/SequenceSet.h"

namespace {

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
constexpr std::uint64_t mostDeclaredBases = std::uint64_t{1} << 24;

bool beginsWith(std::string_view line, std::string_view start)
{
    return line.size() >= start.size() && line.compare(0, start.size(), start) == 0;
}

// The lines of one record of a GenBank file: from where the last record
// ended (or the file's start) up to its first line beginning with "//", or
// else up to the next line beginning with "LOCUS", or to the end of the
// file. The line that ends a record is not part of it.
class RecordLines {
public:
    explicit RecordLines(TextLines& text) : text_(text) {}

    // The record's next line, valid up to the next call; false, with `line`
    // empty, at the record's end.
    bool next(std::string_view& line)
    {
        if (end_ == End::None) {
            if (text_.startsWith("//"))
                end_ = End::Slashes;
            else if (!firstLine_ && text_.startsWith("LOCUS"))
                end_ = End::Locus;
            else if (!text_.next(line))
                end_ = End::File;
            firstLine_ = false;
        }
        if (end_ != End::None)
            line = {};
        return end_ == End::None;
    }

    // Up to `count` bytes of the text from the record's next line on, as
    // TextLines::peek gives them; none at the record's end.
    std::string_view peek(std::size_t count) { return end_ == End::None ? text_.peek(count) : std::string_view(); }
    // Passes over the next `count` bytes, lines of this record with their ends.
    void skip(std::size_t count)
    {
        text_.skip(count);
        firstLine_ = false;
    }

    // Passes over the rest of this record and, after a "//" line, over the
    // lines up to the next one beginning with "LOCUS": true when a record
    // starts there.
    bool nextRecord()
    {
        std::string_view line;
        while (next(line)) {}
        const End end = end_;
        end_ = End::None;
        firstLine_ = true;
        if (end == End::Slashes)
            while (text_.next(line))
                if (text_.startsWith("LOCUS"))
                    return true;
        return end == End::Locus;
    }

private:
    enum class End { None, Slashes, Locus, File };

    TextLines& text_;
    bool firstLine_ = true; // the record's own first line is still to come
    End end_ = End::None;
};

bool isBlank(char letter)
{
    return letter == ' ' || letter == '\t';
}

std::string_view trimmed(std::string_view text)
{
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    std::size_t last = text.size();
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool isBracket(char letter)
{
    return std::strchr("()[]{}", letter) != nullptr && letter != '\0';
}

bool isDigit(char letter)
{
    return letter >= '0' && letter <= '9';
}

bool isLetterOrDigit(char letter)
{
    return isDigit(letter) || (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
}

// Adds the next line of a value that goes on over several lines. They are
// joined with one blank, but NCBI also breaks long words: after a hyphen
// that follows a letter, digit or bracket ("2,6-\ndiaminopimelate"), or after
// the comma of a digit list ("2,\n6-"), the next line goes on the same word.
void appendContinuation(std::string& text, std::string_view piece)
{
    if (piece.empty())
        return;
    const std::size_t size = text.size();
    const bool sameWord = size >= 2
                       && ((text[size - 1] == '-' && (isLetterOrDigit(text[size - 2]) || isBracket(text[size - 2])))
                           || (text[size - 1] == ',' && isDigit(text[size - 2]) && isDigit(piece.front())));
    if (size > 0 && !sameWord)
        text += ' ';
    text.append(piece.data(), piece.size());
}

// The part of a quoted value's line up to its closing quote, with a doubled
// quote read as one; sets `closed` when the closing quote is on the line.
std::string_view quotedPart(std::string_view text, std::string& unquoted, bool& closed)
{
    closed = false;
    std::size_t quote = text.find('"');
    if (quote == std::string_view::npos)
        return text;
    unquoted.clear();
    std::size_t from = 0;
    for (; quote != std::string_view::npos; quote = text.find('"', from)) {
        unquoted.append(text.data() + from, quote - from);
        if (quote + 1 < text.size() && text[quote + 1] == '"') {
            unquoted += '"';
            from = quote + 2;
            continue;
        }
        closed = true;
        return unquoted;
    }
    unquoted.append(text.data() + from, text.size() - from);
    return unquoted;
}

// An unsigned decimal after optional blanks and tabs. Fails, leaving `value`
// as it was, when no digit follows or the number does not fit in 32 bits.
bool readCoordinate(std::string_view text, std::uint32_t& value)
{
    std::string_view::size_type i = text.find_first_not_of(" \t");
    if (i == std::string_view::npos || text[i] < '0' || text[i] > '9')
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

// A location read into the parts of a CDS, in the order the CDS reads
// them: complement(...) reverses the parts within and turns them over;
// join(...) and order(...) chain theirs. What it does not understand (a part
// on another record, a site between two bases, a nesting deeper than any
// file has) gives no parts.
class LocationReader {
public:
    explicit LocationReader(std::string_view text) : rest_(text) {}

    bool readWhole(std::vector<LocationPart>& parts) { return read(parts, 0) && rest_.empty(); }

private:
    static constexpr int deepestNesting = 8;

    bool read(std::vector<LocationPart>& parts, int depth)
    {
        if (depth > deepestNesting)
            return false;
        if (take("complement(")) {
            const std::size_t from = parts.size();
            if (!read(parts, depth + 1) || !take(")"))
                return false;
            std::reverse(parts.begin() + static_cast<std::ptrdiff_t>(from), parts.end());
            for (std::size_t i = from; i < parts.size(); ++i)
                parts[i].forward = !parts[i].forward;
            return true;
        }
        if (take("join(") || take("order(")) {
            do {
                if (!read(parts, depth + 1))
                    return false;
            } while (take(","));
            return take(")");
        }
        LocationPart part;
        part.partialLow = take("<");
        if (!number(part.low))
            return false;
        part.high = part.low;
        if (take("..")) {
            part.partialHigh = take(">");
            if (!number(part.high))
                return false;
        }
        if (part.high < part.low)
            return false;
        parts.push_back(part);
        return true;
    }

    bool take(std::string_view word)
    {
        if (!beginsWith(rest_, word))
            return false;
        rest_.remove_prefix(word.size());
        return true;
    }

    bool number(std::uint32_t& value)
    {
        std::size_t digits = 0;
        while (digits < rest_.size() && isDigit(rest_[digits]))
            ++digits;
        if (digits == 0 || !readCoordinate(rest_.substr(0, digits), value))
            return false;
        rest_.remove_prefix(digits);
        return true;
    }

    std::string_view rest_;
};

// The parts of a CDS from its location's text, without its blanks.
void readCodingLocation(std::string& text, CodingRecord& coding)
{
    text.erase(std::remove_if(text.begin(), text.end(), isBlank), text.end());
    LocationReader reader(text);
    if (!reader.readWhole(coding.parts))
        coding.parts.clear();
}

// The feature table, walked one line at a time. The end of the record reads
// as an ORIGIN line: both end the feature section.
//
// The searches for the qualifiers look at one line at a time and take a value
// from it (qualifierValue), which the results file and the gene log show. The
// whole value, over the lines that follow, is gathered here as the walk passes
// them: every line up to the features' end goes through next().
class FeatureLines {
public:
    FeatureLines(RecordLines& record, std::string_view firstLine, std::vector<Gene>& genes, Sequence& sequence)
        : line(firstLine), record(record), genes(genes), sequence(sequence)
    {
        noteDefinition();
    }

    void next()
    {
        if (!record.next(line)) {
            atEnd = true;
            closeValue();
            closeCoding();
            return;
        }
        if (codingOpen != CodingOpen::None)
            noteCodingLine();
        if (open == Open::Quoted)
            continueValue();
        if (!inFeatures)
            noteHeaderLine();
    }
    bool contains(const char* text) const { return line.find(text) != std::string_view::npos; }
    bool isOrigin() const { return atEnd || beginsWith(line, "ORIGIN"); }
    // "CDS" in or left of the feature key column.
    bool isCds() const { return line.substr(0, latestCdsIndex + 3).find("CDS") != std::string_view::npos; }
    bool hasCdsKey() const
    {
        return line.size() >= featureKeyIndex + 3 && line.compare(featureKeyIndex, 3, "CDS") == 0;
    }

    // Starts the whole value whose key of `keyLength` bytes lies at `at` on
    // the current line (none at npos), for a field of the gene at `index`:
    // `legacy` holds what the searches took, `whole` gets the whole value
    // where it differs from that.
    void openValue(std::string_view::size_type at, std::size_t keyLength, std::size_t index, std::string Gene::*legacy,
                   std::string Gene::WholeTexts::*whole)
    {
        if (at == std::string_view::npos)
            return;
        closeValue();
        const std::string_view rest = trimmed(line.substr(at + keyLength));
        // Nearly every value is on one line, with no comma and no doubled
        // quote: the whole value is then what the search took.
        const std::string_view::size_type close = rest.empty() || rest.front() != '"' ? 0 : rest.find('"', 1);
        if (close != 0 && close != std::string_view::npos && (close + 1 == rest.size() || rest[close + 1] != '"')) {
            const std::string_view text = rest.substr(1, close - 1);
            if (text.find(',') == std::string_view::npos && text == genes[index].*legacy)
                return;
        }
        geneIndex = index;
        legacyField = legacy;
        wholeField = whole;
        open = Open::Quoted;
        value.clear();
        if (rest.empty() || rest.front() != '"') {
            value.assign(rest.data(), rest.size());
            closeValue();
            return;
        }
        appendQuoted(rest.substr(1));
    }

    void closeValue()
    {
        if (open == Open::None)
            return;
        if (open == Open::Definition) {
            if (value != sequence.name)
                sequence.definition = std::move(value);
        } else if (open == Open::Quoted) {
            Gene& gene = genes[geneIndex];
            if (value != gene.*legacyField || value.find(',') != std::string::npos) {
                auto whole =
                    gene.whole ? std::make_shared<Gene::WholeTexts>(*gene.whole) : std::make_shared<Gene::WholeTexts>();
                (*whole).*wholeField = std::move(value);
                gene.whole = std::move(whole);
            }
        }
        open = Open::None;
        value.clear();
    }

    // Starts the record of what the protein of the CDS whose key is on the
    // current line is made from: its location, on this line and those up to
    // its first qualifier, and the qualifiers of the lines up to the next
    // feature key. Only where `coding` is given: one record per gene.
    void openCoding()
    {
        if (coding == nullptr)
            return;
        closeCoding();
        coding->emplace_back();
        codingOpen = CodingOpen::Location;
        location.assign(trimmed(line.substr(std::min(locationIndex, line.size()))));
        quoteOpen = inTranslation = false;
    }

    void closeCoding()
    {
        if (codingOpen == CodingOpen::None)
            return;
        codingOpen = CodingOpen::None;
        readCodingLocation(location, coding->back());
    }

    std::string_view line; // valid up to the next call of next()
    bool atEnd = false;
    std::string version; // first word of the VERSION line, if the header has one
    std::vector<CodingRecord>* coding = nullptr;

private:
    enum class Open { None, Definition, Quoted };

    // The header, up to FEATURES, may name the accession.version and holds
    // the DEFINITION, whose further lines are indented.
    void noteHeaderLine()
    {
        if (open == Open::Definition) {
            if (!line.empty() && isBlank(line.front())) {
                appendContinuation(value, trimmed(line));
                return;
            }
            closeValue();
        }
        if (beginsWith(line, "FEATURES")) {
            inFeatures = true;
        } else if (version.empty() && beginsWith(line, "VERSION")) {
            const std::string_view::size_type first = line.find_first_not_of(" \t", 7);
            if (first != std::string_view::npos)
                version = line.substr(first, line.find_first_of(" \t\r", first) - first);
            // Some editors write "." for a record that has none.
            if (version == ".")
                version.clear();
        } else {
            noteDefinition();
        }
    }

    void noteDefinition()
    {
        if (!beginsWith(line, "DEFINITION") || sawDefinition)
            return;
        sawDefinition = true;
        open = Open::Definition;
        value = trimmed(line.substr(std::string_view("DEFINITION").size()));
    }

    // A further line of a quoted value lies right of the feature key column;
    // any other line ends a value whose closing quote is missing.
    void continueValue()
    {
        const std::string_view::size_type first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos && first < locationIndex) {
            closeValue();
            return;
        }
        appendQuoted(trimmed(line));
    }

    void appendQuoted(std::string_view text)
    {
        bool closed = false;
        const std::string_view part = quotedPart(text, unquoted, closed);
        appendContinuation(value, closed ? part : trimmed(part));
        if (closed)
            closeValue();
    }

    // A line of the open CDS: more of its location, a qualifier or a further
    // line of a quoted value; a line left of the qualifier column ends it.
    void noteCodingLine()
    {
        const std::string_view::size_type first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            return;
        if (first < locationIndex) {
            closeCoding();
            return;
        }
        const std::string_view text = trimmed(line.substr(first));
        CodingRecord& record = coding->back();
        if (quoteOpen) {
            if (inTranslation)
                appendTranslation(text, record.translation);
            quoteOpen = std::count(text.begin(), text.end(), '"') % 2 == 0;
            return;
        }
        if (text.front() != '/') {
            if (codingOpen == CodingOpen::Location)
                location.append(text.data(), text.size());
            return;
        }
        codingOpen = CodingOpen::Qualifiers;
        const std::string_view::size_type equals = text.find('=');
        const std::string_view key = text.substr(1, equals == std::string_view::npos ? equals : equals - 1);
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : text.substr(equals + 1);
        // A doubled quote inside a value counts twice: an odd count leaves it open.
        quoteOpen = std::count(value.begin(), value.end(), '"') % 2 == 1;
        inTranslation = key == "translation";
        std::uint32_t number = 0;
        if (inTranslation)
            appendTranslation(value, record.translation);
        else if (key == "pseudo" || key == "pseudogene")
            record.pseudo = true;
        else if (key == "codon_start" && readCoordinate(value, number) && number >= 1 && number <= 3)
            record.codonStart = static_cast<std::uint8_t>(number);
        else if (key == "transl_table")
            record.table = readCoordinate(value, number) && number <= 0xffff ? static_cast<std::uint16_t>(number) : 0;
    }

    // The letters of a /translation line, without its quotes and blanks.
    static void appendTranslation(std::string_view text, std::string& translation)
    {
        for (const char letter : text)
            if (letter != '"' && !isBlank(letter))
                translation += letter;
    }

    RecordLines& record;
    std::vector<Gene>& genes;
    Sequence& sequence;
    enum class CodingOpen { None, Location, Qualifiers };
    CodingOpen codingOpen = CodingOpen::None;
    std::string location; // the open CDS's location so far
    bool quoteOpen = false;
    bool inTranslation = false;
    bool inFeatures = false;
    bool sawDefinition = false;
    Open open = Open::None;
    std::string value;    // the open value so far
    std::string unquoted; // room for a line's text without its doubled quotes
    std::size_t geneIndex = 0;
    std::string Gene::*legacyField = nullptr;
    std::string Gene::WholeTexts::*wholeField = nullptr;
};

// Only a..b and complement(a..b) are understood; anything else (join, order,
// partial ends) leaves the unreadable coordinate and the ones after it at 0.
void readLocation(std::string_view line, Gene& gene)
{
    gene.forward = !(line.size() >= locationIndex + 10 && line.compare(locationIndex, 10, "complement") == 0);
    const std::string_view::size_type range = line.find("..");
    std::string_view first;
    std::string_view second;
    if (gene.forward) {
        if (range == std::string_view::npos || range < locationIndex)
            return;
        first = line.substr(locationIndex, range - locationIndex);
        second = line.substr(range + 2);
    } else {
        const std::string_view::size_type open = line.find('(');
        const std::string_view::size_type close = line.find(')');
        if (open == std::string_view::npos || range == std::string_view::npos || close == std::string_view::npos
            || open > range || range > close)
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
std::string qualifierValue(std::string_view line)
{
    const std::string_view::size_type open = line.find('"');
    if (open == std::string_view::npos)
        return std::string(line);
    const std::string_view::size_type close = line.find('"', open + 1);
    return std::string(
        line.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1));
}

// /gene= is looked for on the first qualifier line and the one after it only.
// `at` is where the key lies on the line the value came from (npos for none).
std::string findGeneName(FeatureLines& lines, std::string_view::size_type& at)
{
    if ((at = lines.line.find("/gene=")) != std::string_view::npos)
        return qualifierValue(lines.line);
    if (lines.contains("/locus_tag=") || lines.hasCdsKey() || lines.isOrigin())
        return std::string();
    lines.next();
    at = lines.line.find("/gene=");
    return at != std::string_view::npos ? qualifierValue(lines.line) : std::string();
}

// Searches on from the current line until `key`, `stopKey` (when given), the
// next CDS or the end of the features; `at` as for findGeneName.
std::string findQualifier(FeatureLines& lines, const char* key, const char* stopKey, std::string_view::size_type& at)
{
    while ((at = lines.line.find(key)) == std::string_view::npos && !(stopKey != nullptr && lines.contains(stopKey))
           && !lines.isCds() && !lines.isOrigin())
        lines.next();
    return at != std::string_view::npos ? qualifierValue(lines.line) : std::string();
}

// Returns the length the line declares, 0 when it declares none.
std::uint64_t readLocusLine(std::string_view line, Sequence& sequence)
{
    // The molecule's topology is a word of its own after the length.
    if (line.find(" circular") != std::string_view::npos)
        sequence.statedTopology = Topology::circular;
    else if (line.find(" linear") != std::string_view::npos)
        sequence.statedTopology = Topology::linear;
    if (line.size() <= locusNameIndex)
        return 0;
    const std::string_view::size_type blank = line.find(' ', locusNameIndex);
    if (blank == std::string_view::npos) {
        sequence.locusName = line.substr(locusNameIndex);
        return 0;
    }
    sequence.locusName = line.substr(locusNameIndex, blank - locusNameIndex);
    const std::string_view::size_type unit = line.find("bp", blank);
    if (unit == std::string_view::npos)
        return 0;
    const long long length = std::strtoll(std::string(line.substr(blank, unit - blank)).c_str(), nullptr, 10);
    if (length <= 0)
        return 0;
    sequence.genes.reserve(static_cast<std::size_t>(std::min(length / basesPerGene, maximumGeneHint)));
    return static_cast<std::uint64_t>(length);
}

void readFeatures(FeatureLines& lines, std::vector<Gene>& genes)
{
    for (;;) {
        while (!lines.isCds() && !lines.isOrigin())
            lines.next();
        if (lines.isOrigin())
            return;
        const std::size_t index = genes.size();
        genes.emplace_back();
        readLocation(lines.line, genes[index]);
        lines.openCoding();
        lines.next();
        // Each search ends on the line it took its value from, if any.
        std::string_view::size_type at = 0;
        genes[index].geneName = findGeneName(lines, at);
        lines.openValue(at, std::strlen("/gene="), index, &Gene::geneName, &Gene::WholeTexts::geneName);
        genes[index].locusTag = findQualifier(lines, "/locus_tag=", "/product=", at);
        lines.openValue(at, std::strlen("/locus_tag="), index, &Gene::locusTag, &Gene::WholeTexts::locusTag);
        genes[index].product = findQualifier(lines, "/product=", nullptr, at);
        lines.openValue(at, std::strlen("/product="), index, &Gene::product, &Gene::WholeTexts::product);
    }
}

// The bytes that separate tokens when a stream reads words (the classic
// locale's white space).
constexpr std::array<bool, 256> tokenSeparators = [] {
    std::array<bool, 256> separators{};
    for (const unsigned char byte : {' ', '\n', '\t', '\r', '\v', '\f'})
        separators[byte] = true;
    return separators;
}();

bool isTokenSeparator(char byte)
{
    return tokenSeparators[static_cast<unsigned char>(byte)];
}

// Upper-cases `letters` in place; false when any of them is not a letter.
// Without a branch per letter, so that the compiler vectorises the loop.
template <std::size_t count>
bool upperCaseLetters(char* letters)
{
    unsigned char notLetter = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto byte = static_cast<unsigned char>(letters[i]);
        notLetter |= static_cast<unsigned char>((byte | ('a' - 'A')) - 'a') >= 26;
        letters[i] = upperCase(letters[i]);
    }
    return notLetter == 0;
}

// A sequence line as it is written almost always: blanks, a position number,
// then six blocks of ten letters, each after one blank, and nothing more.
// Appends its letters upper-cased; false, with nothing appended, for any
// other line.
bool appendStandardLine(std::string_view line, std::string& bases)
{
    constexpr std::size_t blockLength = 10;
    constexpr std::size_t lineLetters = blocksPerSequenceLine * blockLength;
    std::size_t at = 0;
    while (at < line.size() && line[at] == ' ')
        ++at;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9')
        ++at;
    // Without a number the first block's blank is missing.
    if (line.size() - at != lineLetters + blocksPerSequenceLine)
        return false;
    std::array<char, lineLetters> letters;
    bool blanks = true;
    for (int block = 0; block < blocksPerSequenceLine; ++block, at += 1 + blockLength) {
        blanks &= line[at] == ' ';
        std::memcpy(&letters[block * blockLength], &line[at + 1], blockLength);
    }
    if (!(upperCaseLetters<lineLetters>(letters.data()) && blanks))
        return false;
    bases.append(letters.data(), letters.size());
    return true;
}

// A sequence line of the usual layout (appendStandardLine) with its position
// number in nine columns, whose end is then where the layout puts it: its
// letters are appended and the line passed over without a search for its end.
// False, with nothing changed, for any other line.
bool takeStandardLine(RecordLines& lines, std::string& bases)
{
    constexpr std::size_t length = 9 + blocksPerSequenceLine * 11;
    const std::string_view ahead = lines.peek(length + 2);
    std::size_t withEnd = 0;
    if (ahead.size() > length && ahead[length] == '\n')
        withEnd = length + 1;
    else if (ahead.size() > length + 1 && ahead[length] == '\r' && ahead[length + 1] == '\n')
        withEnd = length + 2;
    if (withEnd == 0 || !appendStandardLine(ahead.substr(0, length), bases))
        return false;
    lines.skip(withEnd);
    return true;
}

// The letters up to the first '/'.
std::string cutAtSlash(std::string letters)
{
    const std::string::size_type slash = letters.find('/');
    if (slash != std::string::npos)
        letters.erase(slash);
    return letters;
}

// Line ends are not looked at: each sequence line is taken to be a position
// number followed by six blocks of bases, so every seventh token, from the
// first on, is dropped. A token that begins with "//" ends the record
// wherever it falls. A line of the usual layout that starts in step with
// that count, as nearly all do, is taken whole. The letters go after those
// `collected` holds, in the room it has.
std::string readOrigin(RecordLines& lines, std::string collected)
{
    constexpr std::uint64_t tokensPerLine = 1 + blocksPerSequenceLine;
    std::uint64_t tokenIndex = 0;
    std::string_view line;
    for (;;) {
        if (tokenIndex % tokensPerLine == 0 && takeStandardLine(lines, collected)) {
            tokenIndex += tokensPerLine;
            continue;
        }
        if (!lines.next(line))
            break;
        if (tokenIndex % tokensPerLine == 0 && appendStandardLine(line, collected)) {
            tokenIndex += tokensPerLine;
            continue;
        }
        // A line's end separates tokens as a blank does.
        for (std::size_t at = 0;;) {
            while (at < line.size() && isTokenSeparator(line[at]))
                ++at;
            if (at == line.size())
                break;
            const std::size_t start = at;
            while (at < line.size() && !isTokenSeparator(line[at]))
                ++at;
            const std::string_view token = line.substr(start, at - start);
            if (token.size() >= 2 && token[0] == '/' && token[1] == '/')
                return cutAtSlash(std::move(collected));
            if (tokenIndex++ % tokensPerLine != 0)
                appendUpperCase(collected, token);
        }
    }
    return cutAtSlash(std::move(collected));
}

void readGenBankRecord(Sequence& sequence, RecordLines& record, bool codingRecords)
{
    std::string_view line;
    record.next(line);
    if (!beginsWith(line, "LOCUS"))
        reportError({"Invalid format for GenBank file. No LOCUS definition!"});
    // The declared length makes the room for the letters now.
    const std::uint64_t declared = readLocusLine(line, sequence);
    std::string bases;
    const auto makeRoom = [&](std::uint64_t capacityHint) {
        reserveInLargePages(bases, static_cast<std::size_t>(std::min(capacityHint, mostDeclaredBases)));
    };
    if (declared > 0)
        makeRoom(declared + spareBases);

    // The line after LOCUS is taken as the definition, whatever it holds.
    record.next(line);
    sequence.name =
        line.size() > definitionIndex ? line.substr(definitionIndex, maximumNameLength) : std::string_view();

    FeatureLines lines(record, line, sequence.genes, sequence);
    if (codingRecords)
        lines.coding = &sequence.coding;
    readFeatures(lines, sequence.genes);
    lines.closeValue();
    lines.closeCoding();
    sequence.id = lines.version.empty() ? sequence.locusName : lines.version;

    // Without a declared length, the genes' extent is the best guess.
    if (declared == 0 && !sequence.genes.empty())
        makeRoom(sequence.genes.back().end + spareBases);
    bases = readOrigin(record, std::move(bases));
    trimBases(bases);
    sequence.bases = std::move(bases);
    sequence.genes.shrink_to_fit();
    if (sequence.bases.empty())
        reportError({"No sequence read. Please check GenBank file!"});
    cleanGeneTexts(sequence);
}

} // namespace

void readGenBankFile(TextLines& text, std::vector<Sequence>& sequences, bool codingRecords)
{
    RecordLines record(text);
    do {
        Sequence sequence;
        sequence.sourceFormat = 'G';
        readGenBankRecord(sequence, record, codingRecords);
        sequences.push_back(std::move(sequence));
    } while (record.nextRecord());
}

void cleanGeneTexts(Sequence& sequence)
{
    for (Gene& gene : sequence.genes) {
        std::replace(gene.geneName.begin(), gene.geneName.end(), ',', '.');
        std::replace(gene.product.begin(), gene.product.end(), ',', '.');
        std::replace(gene.locusTag.begin(), gene.locusTag.end(), ',', '.');
    }
}
