#include "motif/CountMatrix.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "base/ErrorReport.h"
#include "base/InputFile.h"
#include "base/OutputFile.h"
#include "base/TextLines.h"

namespace {

using Column = std::array<double, 4>;
using Words = std::vector<std::string_view>;

// Column totals this close to 1 mark frequencies, this close to 100
// percentages: the rounding of values printed with a few decimals.
constexpr double frequencyTolerance = 0.01;
constexpr double percentageTolerance = 1.0;
// The part of an offending line a message quotes.
constexpr std::size_t quotedLength = 60;
constexpr const char* bases = "ACGT";

// The lines of one file, counted for the messages, each without its line
// end and trailing blanks. A line may be handed back to be read again.
class MatrixLines {
public:
    MatrixLines(std::istream& input, const std::string& fileName) : input_(input), fileName_(fileName) {}

    bool next(std::string& line)
    {
        if (keptBack_) {
            keptBack_ = false;
            line = std::move(kept_);
            return true;
        }
        if (!readTextLine(input_, line))
            return false;
        ++number_;
        line.erase(line.find_last_not_of(" \t\r") + 1);
        return true;
    }
    // The line last read comes again from the next call of next().
    void keepBack(std::string line)
    {
        kept_ = std::move(line);
        keptBack_ = true;
    }
    std::size_t number() const { return number_; }
    const std::string& fileName() const { return fileName_; }

    [[noreturn]] void fail(const std::string& what, std::size_t lineNumber) const
    {
        reportError({"ERROR: " + fileName_ + ", line " + std::to_string(lineNumber) + ": " + what});
    }
    [[noreturn]] void fail(const std::string& what) const { fail(what, number_); }
    [[noreturn]] void failFile(const std::string& what) const { reportError({"ERROR: " + fileName_ + ": " + what}); }

private:
    std::istream& input_;
    const std::string& fileName_;
    std::size_t number_ = 0;
    std::string kept_;
    bool keptBack_ = false;
};

std::string quote(std::string_view line)
{
    if (line.empty())
        return "an empty line";
    if (line.size() > quotedLength)
        return "'" + std::string(line.substr(0, quotedLength)) + "...'";
    return "'" + std::string(line) + "'";
}

// 17 significant digits: enough for every double to read back to itself.
std::string exactText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// "1 row", "2 rows".
std::string counted(std::size_t number, const std::string& noun)
{
    return std::to_string(number) + " " + noun + (number == 1 ? "" : "s");
}

Words wordsOf(std::string_view line, std::string_view separators = " \t")
{
    Words words;
    std::size_t start = line.find_first_not_of(separators);
    while (start != std::string_view::npos) {
        const std::size_t end = std::min(line.find_first_of(separators, start), line.size());
        words.push_back(line.substr(start, end - start));
        start = line.find_first_not_of(separators, end);
    }
    return words;
}

std::optional<double> numberOf(std::string_view word)
{
    double value = 0.0;
    const char* end = word.data() + word.size();
    const std::from_chars_result read = std::from_chars(word.data(), end, value);
    if (read.ec != std::errc() || read.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A value of a matrix: a number, and not below 0.
double valueOf(std::string_view word, const MatrixLines& lines)
{
    const std::optional<double> value = numberOf(word);
    if (!value)
        lines.fail("'" + std::string(word)
                   + "' is not a number; a matrix holds only counts, frequencies or percentages");
    if (*value < 0.0)
        lines.fail("negative value " + std::string(word) + "; counts, frequencies and percentages are 0 or more");
    return *value;
}

// The index of a base letter in A, C, G, T (either case), or -1.
int baseIndex(std::string_view word)
{
    if (word.size() != 1)
        return -1;
    switch (word[0]) {
    case 'A':
    case 'a': return 0;
    case 'C':
    case 'c': return 1;
    case 'G':
    case 'g': return 2;
    case 'T':
    case 't': return 3;
    default: return -1;
    }
}

// Whether `words` name the four bases once each; `order[j]` is then the
// base of the j-th word.
bool basesInOrder(const Words& words, std::array<int, 4>& order)
{
    if (words.size() != 4)
        return false;
    std::array<bool, 4> seen{};
    for (std::size_t j = 0; j < 4; ++j) {
        order[j] = baseIndex(words[j]);
        if (order[j] < 0 || seen[order[j]])
            return false;
        seen[order[j]] = true;
    }
    return true;
}

// The first word after a '>' or '#' marker.
std::string nameAfterMarker(std::string_view line)
{
    const Words words = wordsOf(line.substr(1));
    return words.empty() ? std::string() : std::string(words.front());
}

// The name of a matrix its file does not name: the file's stem without its
// folder, and the matrix's place in the file from 1.
std::string unnamed(const std::string& fileName, std::size_t index)
{
    const std::string stem = stemOf(fileName);
    return stem.substr(stem.rfind('/') + 1) + "_" + std::to_string(index);
}

// A matrix as read, before its values are taken as counts.
struct ReadMatrix {
    std::string name;
    std::vector<Column> values;  // A, C, G, T per position
    std::optional<double> sites; // N as the file gives it
    std::size_t line = 0;        // where it starts, for the messages
};

// Turns the values read into counts and N: a count matrix as it is, with its
// largest column total; frequencies and percentages scaled to N sites.
// Values whose largest column total is exactly the N their file gives are
// counts, whatever that total: so counts written with their N read back as
// counts even when N is 1 or 100. `howToGiveSites` ends the warning of an
// assumed N.
CountMatrix countsOf(ReadMatrix read, bool alwaysFrequencies, const MatrixLines& lines, const char* howToGiveSites,
                     std::vector<std::string>& warnings)
{
    std::vector<double> totals;
    double largest = 0.0;
    bool frequencies = true, percentages = true;
    for (std::size_t i = 0; i < read.values.size(); ++i) {
        const auto& [a, c, g, t] = read.values[i];
        const double total = a + c + g + t;
        if (total == 0.0)
            lines.fail("position " + std::to_string(i + 1) + " of motif " + read.name
                           + " has no counts (its column totals 0)",
                       read.line);
        totals.push_back(total);
        largest = std::max(largest, total);
        frequencies = frequencies && std::fabs(total - 1.0) <= frequencyTolerance;
        percentages = percentages && std::fabs(total - 100.0) <= percentageTolerance;
    }

    CountMatrix matrix;
    matrix.name = std::move(read.name);
    if (!alwaysFrequencies && (!(frequencies || percentages) || (read.sites && *read.sites == largest))) {
        matrix.counts = std::move(read.values);
        matrix.sites = largest;
        return matrix;
    }
    if (read.sites) {
        matrix.sites = *read.sites;
    } else {
        matrix.sites = assumedSites;
        matrix.sitesAssumed = true;
        warnings.push_back("WARNING: " + lines.fileName() + ": motif " + matrix.name
                           + " gives frequencies but no number of sites; its counts assume " + exactText(assumedSites)
                           + " sites. " + howToGiveSites);
    }
    matrix.counts.resize(read.values.size());
    for (std::size_t i = 0; i < read.values.size(); ++i)
        for (std::size_t b = 0; b < 4; ++b)
            matrix.counts[i][b] = read.values[i][b] / totals[i] * matrix.sites;
    return matrix;
}

// One line of numbers of a JASPAR or .pfm matrix, perhaps labelled by its base.
struct Row {
    int base = -1; // 0..3 for A, C, G, T; -1 unlabelled
    std::vector<double> values;
    std::size_t line = 0;
};

// Reads `words` as a row: a base label or a number first, then numbers.
// False, with nothing read, when the first word is neither (a line of text)
// or there is none (a line of brackets).
bool readRow(const Words& words, const MatrixLines& lines, Row& row)
{
    if (words.empty())
        return false;
    row.base = baseIndex(words.front());
    if (row.base < 0 && !numberOf(words.front()))
        return false;
    row.values.clear();
    for (std::size_t j = row.base < 0 ? 0 : 1; j < words.size(); ++j)
        row.values.push_back(valueOf(words[j], lines));
    if (row.values.empty())
        lines.fail("row " + std::string(words.front()) + " has no values");
    row.line = lines.number();
    return true;
}

// The positions of a matrix given as four rows, one per base: labelled in
// any order, or all unlabelled and then A, C, G, T.
std::vector<Column> columnsOfRows(const std::vector<Row>& rows, const std::string& name, const MatrixLines& lines)
{
    std::array<bool, 4> seen{};
    for (std::size_t r = 0; r < 4; ++r) {
        if ((rows[r].base < 0) != (rows[0].base < 0))
            lines.fail("label all four rows of motif " + name + " by their base (A, C, G, T), or none", rows[r].line);
        if (rows[r].base >= 0 && seen[rows[r].base])
            lines.fail(std::string("a second row ") + bases[rows[r].base] + " in motif " + name
                           + "; its rows are A, C, G and T, once each",
                       rows[r].line);
        if (rows[r].base >= 0)
            seen[rows[r].base] = true;
        if (rows[r].values.size() != rows[0].values.size())
            lines.fail("a row of " + counted(rows[r].values.size(), "value") + " where the first row of motif " + name
                           + " has " + std::to_string(rows[0].values.size()) + "; each row has one value per position",
                       rows[r].line);
    }
    std::vector<Column> values(rows[0].values.size());
    for (std::size_t r = 0; r < 4; ++r)
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i][rows[r].base < 0 ? r : rows[r].base] = rows[r].values[i];
    return values;
}

} // namespace

std::vector<CountMatrix> readTransfac(std::istream& input, const std::string& fileName,
                                      std::vector<std::string>& warnings)
{
    MatrixLines lines(input, fileName);
    std::vector<CountMatrix> matrices;
    ReadMatrix record;
    std::string identifier, accession;
    std::array<int, 4> order{}; // the base of each value column, as the P0 line names them
    bool hasMatrix = false;
    enum class Place { fields, afterHeader, rows } place = Place::fields;

    const auto endRecord = [&] {
        if (hasMatrix) {
            record.name = !identifier.empty() ? identifier
                        : !accession.empty()  ? accession
                                              : unnamed(fileName, matrices.size() + 1);
            matrices.push_back(
                countsOf(std::move(record), false, lines, "A line 'CC  sites: N' in its record sets N.", warnings));
        }
        record = ReadMatrix();
        identifier.clear();
        accession.clear();
        hasMatrix = false;
    };
    const auto isRowNumber = [](std::string_view word) {
        return std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
    };

    std::string line;
    while (lines.next(line)) {
        const Words words = wordsOf(line);
        if (words.empty())
            continue;
        const std::string_view key = words.front();
        if (place != Place::fields && isRowNumber(key)) {
            // A consensus letter may follow the four values.
            const bool consensus = words.size() == 6 && !numberOf(words[5]);
            if (words.size() != 5 && !consensus)
                lines.fail("expected a numbered row of 4 values, found " + quote(line));
            Column column{};
            for (std::size_t j = 0; j < 4; ++j)
                column[order[j]] = valueOf(words[j + 1], lines);
            record.values.push_back(column);
            place = Place::rows;
            continue;
        }
        if (place == Place::afterHeader)
            lines.fail("expected a row of 4 numbers after P0, found " + quote(line));
        place = Place::fields;
        if (isRowNumber(key))
            lines.fail("a numbered row outside a matrix; a matrix starts with a line 'P0  A  C  G  T'");
        if (key == "//") {
            endRecord();
        } else if (key.size() != 2) {
            lines.fail("expected a two-letter field (ID, P0, XX, ...) or //, found " + quote(line));
        } else if (key == "ID" && words.size() > 1) {
            identifier = words[1];
        } else if (key == "AC" && words.size() > 1) {
            accession = words[1];
        } else if (key == "P0" || key == "PO") {
            if (hasMatrix)
                lines.fail("a second matrix in one record; end each record with a line '//'");
            if (!basesInOrder(Words(words.begin() + 1, words.end()), order))
                lines.fail("expected the four bases after " + std::string(key) + " ('" + std::string(key)
                           + "  A  C  G  T'), found " + quote(line));
            hasMatrix = true;
            record.line = lines.number();
            place = Place::afterHeader;
        } else if (key == "CC" && words.size() > 1 && words[1].substr(0, 6) == "sites:") {
            // "CC  sites: 4", as RSAT writes it, or "CC sites:4".
            const std::string_view value = words[1].size() > 6 ? words[1].substr(6)
                                         : words.size() > 2    ? words[2]
                                                               : std::string_view();
            const std::optional<double> sites = numberOf(value);
            if (!sites || *sites <= 0.0)
                lines.fail("expected a number of sites above 0 after 'CC sites:', found " + quote(line));
            record.sites = sites;
        }
    }
    if (place == Place::afterHeader)
        lines.fail("expected a row of 4 numbers after P0, found the end of the file");
    // The last record may lack its closing "//".
    endRecord();
    if (matrices.empty())
        lines.failFile("no matrix found; a TRANSFAC matrix is a line 'P0  A  C  G  T' and a numbered row of 4 "
                       "values for each position");
    return matrices;
}

std::vector<CountMatrix> readJaspar(std::istream& input, const std::string& fileName,
                                    std::vector<std::string>& warnings)
{
    MatrixLines lines(input, fileName);
    std::vector<CountMatrix> matrices;
    ReadMatrix matrix;
    std::vector<Row> rows;
    bool open = false;

    const auto endMatrix = [&] {
        if (!open)
            return;
        if (rows.size() != 4)
            lines.fail("motif " + matrix.name + " has " + counted(rows.size(), "row")
                           + "; a JASPAR matrix has the 4 rows A, C, G and T",
                       matrix.line);
        matrix.values = columnsOfRows(rows, matrix.name, lines);
        matrices.push_back(
            countsOf(std::move(matrix), false, lines, "Counts in place of frequencies set N.", warnings));
        matrix = ReadMatrix();
        rows.clear();
        open = false;
    };

    std::string line;
    while (lines.next(line)) {
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (line[0] == '>') {
            endMatrix();
            matrix.name = nameAfterMarker(line);
            if (matrix.name.empty())
                lines.fail("expected a matrix ID after '>'");
            matrix.line = lines.number();
            open = true;
            continue;
        }
        if (!open)
            lines.fail("expected a line '>ID name' before the rows of a matrix, found " + quote(line));
        if (rows.size() == 4)
            lines.fail("expected a line '>ID name' after the 4 rows of motif " + matrix.name + ", found "
                       + quote(line));
        Row row;
        if (!readRow(wordsOf(line, " \t[]"), lines, row))
            lines.fail("expected a row such as 'A [ 3 0 12 ]', found " + quote(line));
        rows.push_back(std::move(row));
    }
    endMatrix();
    if (matrices.empty())
        lines.failFile("no matrix found; a JASPAR matrix is a line '>ID name' and the rows 'A [ ... ]', "
                       "'C [ ... ]', 'G [ ... ]' and 'T [ ... ]'");
    return matrices;
}

std::vector<CountMatrix> readPfm(std::istream& input, const std::string& fileName, std::vector<std::string>& warnings)
{
    MatrixLines lines(input, fileName);
    std::vector<CountMatrix> matrices;
    std::string arrowName, hashName;
    std::vector<Row> rows;
    // Set by a header of the bases over one line per position.
    std::optional<std::array<int, 4>> headerOrder;
    bool numberedPositions = false; // the header begins with a word ("Pos"): each line begins with its position

    const auto endMatrix = [&] {
        if (!rows.empty()) {
            ReadMatrix matrix;
            matrix.name = !arrowName.empty() ? arrowName
                        : !hashName.empty()  ? hashName
                                             : unnamed(fileName, matrices.size() + 1);
            matrix.line = rows.front().line;
            const bool unlabelledColumns =
                !headerOrder && rows.size() != 4 && rows.front().base < 0 && rows.front().values.size() == 4;
            if (headerOrder || unlabelledColumns) {
                const std::size_t width = numberedPositions ? 5 : 4;
                const std::array<int, 4> order = headerOrder ? *headerOrder : std::array<int, 4>{0, 1, 2, 3};
                for (const Row& row : rows) {
                    if (row.base >= 0 || row.values.size() != width)
                        lines.fail("expected " + std::to_string(width) + " values on each line of motif " + matrix.name
                                       + ", one line per position, found " + std::to_string(row.values.size()),
                                   row.line);
                    Column column{};
                    for (std::size_t j = 0; j < 4; ++j)
                        column[order[j]] = row.values[width - 4 + j];
                    matrix.values.push_back(column);
                }
            } else if (rows.size() == 4) {
                matrix.values = columnsOfRows(rows, matrix.name, lines);
            } else {
                lines.fail("motif " + matrix.name + " has " + counted(rows.size(), "row")
                               + "; expected the 4 rows A, C, G and T, or one line of 4 values per position",
                           matrix.line);
            }
            matrices.push_back(
                countsOf(std::move(matrix), false, lines, "Counts in place of frequencies set N.", warnings));
        }
        rows.clear();
        arrowName.clear();
        hashName.clear();
        headerOrder.reset();
        numberedPositions = false;
    };

    std::string line;
    while (lines.next(line)) {
        if (line.find_first_not_of(" \t") == std::string::npos) {
            endMatrix();
            continue;
        }
        if (line[0] == '>' || line[0] == '#') {
            // A name line after rows starts the next matrix.
            if (!rows.empty())
                endMatrix();
            if (line[0] == '>')
                arrowName = nameAfterMarker(line);
            else if (hashName.empty())
                hashName = nameAfterMarker(line);
            continue;
        }
        const Words words = wordsOf(line, " \t[]|");
        std::array<int, 4> order{};
        if (rows.empty()
            && (basesInOrder(words, order)
                || (words.size() == 5 && baseIndex(words[0]) < 0 && !numberOf(words[0])
                    && basesInOrder(Words(words.begin() + 1, words.end()), order)))) {
            headerOrder = order;
            numberedPositions = words.size() == 5;
            continue;
        }
        Row row;
        if (readRow(words, lines, row))
            rows.push_back(std::move(row));
        else if (!rows.empty())
            lines.fail("expected a row of numbers, or a blank line after the matrix, found " + quote(line));
        // Otherwise a line of text about the matrix ("Gene ...", "Motif ...").
    }
    endMatrix();
    if (matrices.empty())
        lines.failFile("no matrix found; a .pfm matrix is 4 rows of numbers (A, C, G, T) or one line of "
                       "4 numbers per position");
    return matrices;
}

std::vector<CountMatrix> readMeme(std::istream& input, const std::string& fileName, std::vector<std::string>& warnings)
{
    MatrixLines lines(input, fileName);
    std::vector<CountMatrix> matrices;
    ReadMatrix motif;
    bool inMotif = false, hasMatrix = false;

    const auto endMotif = [&] {
        if (!inMotif)
            return;
        if (!hasMatrix)
            lines.fail("motif " + motif.name + " has no 'letter-probability matrix:' line", motif.line);
        matrices.push_back(
            countsOf(std::move(motif), true, lines, "nsites= N on its letter-probability line sets N.", warnings));
        motif = ReadMatrix();
        inMotif = hasMatrix = false;
    };
    // The word after "key=" on the line, or after "key=" in the same word.
    const auto field = [](const Words& words, std::string_view key) -> std::optional<std::string_view> {
        for (std::size_t j = 0; j < words.size(); ++j)
            if (words[j].substr(0, key.size()) == key) {
                if (words[j].size() > key.size())
                    return words[j].substr(key.size());
                return j + 1 < words.size() ? std::optional<std::string_view>(words[j + 1]) : std::nullopt;
            }
        return std::nullopt;
    };

    std::string line;
    while (lines.next(line)) {
        const Words words = wordsOf(line);
        if (words.empty())
            continue;
        if (words.front().substr(0, 8) == "ALPHABET") {
            const std::size_t letters = line.find_first_not_of("= \t", 8);
            if (letters == std::string::npos || line.compare(letters, std::string::npos, "ACGT") != 0)
                lines.fail("only DNA motifs can be read (a line 'ALPHABET= ACGT'), found " + quote(line));
        } else if (words.front() == "MOTIF") {
            endMotif();
            if (words.size() < 2)
                lines.fail("expected a motif id after MOTIF");
            motif.name = words[1];
            motif.line = lines.number();
            inMotif = true;
        } else if (line.compare(0, 26, "letter-probability matrix:") == 0) {
            if (!inMotif)
                lines.fail("a letter-probability matrix before any MOTIF line; each follows a line 'MOTIF id'");
            if (hasMatrix)
                lines.fail("a second letter-probability matrix for motif " + motif.name);
            hasMatrix = true;
            const std::optional<std::string_view> alength = field(words, "alength=");
            if (alength && numberOf(*alength) != 4.0)
                lines.fail("alength= " + std::string(*alength) + "; only DNA motifs (alength= 4) can be read");
            std::optional<std::size_t> width;
            if (const std::optional<std::string_view> w = field(words, "w=")) {
                std::size_t value = 0;
                const char* end = w->data() + w->size();
                const std::from_chars_result read = std::from_chars(w->data(), end, value);
                if (read.ec != std::errc() || read.ptr != end || value == 0)
                    lines.fail("w= " + std::string(*w) + "; the width of a motif is a whole number above 0");
                width = value;
            }
            if (const std::optional<std::string_view> nsites = field(words, "nsites=")) {
                motif.sites = numberOf(*nsites);
                if (!motif.sites || *motif.sites <= 0.0)
                    lines.fail("nsites= " + std::string(*nsites) + "; the number of sites is above 0");
            }
            // W rows of four probabilities; without w= the rows up to the
            // first line that does not begin with a number.
            const std::string expected = "expected " + (width ? counted(*width, "row") : "rows")
                                       + " of 4 probabilities for motif " + motif.name + ", found ";
            while (!width || motif.values.size() < *width) {
                if (!lines.next(line)) {
                    if (width || motif.values.empty())
                        lines.fail(expected + "the end of the file");
                    break;
                }
                const Words row = wordsOf(line);
                if (row.empty() || !numberOf(row.front())) {
                    if (width || motif.values.empty())
                        lines.fail(expected + quote(line));
                    lines.keepBack(line);
                    break;
                }
                if (row.size() != 4)
                    lines.fail(expected + quote(line));
                motif.values.push_back(
                    {valueOf(row[0], lines), valueOf(row[1], lines), valueOf(row[2], lines), valueOf(row[3], lines)});
            }
            if (width && lines.next(line)) {
                const Words after = wordsOf(line);
                if (!after.empty() && numberOf(after.front()))
                    lines.fail("more than " + counted(motif.values.size(), "row") + " for motif " + motif.name
                               + "; w= on its letter-probability line gives the number of rows");
                lines.keepBack(line);
            }
        }
        // Every other line (version, strands, background, URL, a log-odds
        // matrix) says nothing about the counts.
    }
    endMotif();
    if (matrices.empty())
        lines.failFile("no motif found; a MEME motif is a line 'MOTIF id' and a letter-probability matrix");
    return matrices;
}

std::vector<CountMatrix> readMatrixFile(const std::string& fileName, std::vector<std::string>& warnings)
{
    const MotifFormat format = matrixFormatOf(fileName);
    if (format == MotifFormat::none)
        reportError({"ERROR: " + fileName
                     + ": not the name of a matrix file, which ends in .tf, .transfac, .dat, "
                       ".jaspar, .pfm or .meme (and may add .gz)"});
    InputFile file(fileName);
    switch (format) {
    case MotifFormat::transfac: return readTransfac(file.stream(), fileName, warnings);
    case MotifFormat::jaspar: return readJaspar(file.stream(), fileName, warnings);
    case MotifFormat::pfm: return readPfm(file.stream(), fileName, warnings);
    default: return readMeme(file.stream(), fileName, warnings);
    }
}

namespace {

// A name as one word, since every format ends a name at a blank.
std::string oneWord(const std::string& name)
{
    std::string word = name.empty() ? std::string("motif") : name;
    for (char& letter : word)
        if (letter == ' ' || letter == '\t')
            letter = '_';
    return word;
}

void writeTransfac(std::ostream& out, const std::vector<CountMatrix>& matrices)
{
    // Two blanks between a field's key and its value, and rows numbered
    // with two digits at least, as the strictest readers want them.
    for (const CountMatrix& matrix : matrices) {
        const std::string name = oneWord(matrix.name);
        out << "AC  " << name << "\nXX\nID  " << name << "\nXX\nP0      A      C      G      T\n";
        for (std::size_t i = 0; i < matrix.counts.size(); ++i) {
            char number[24];
            std::snprintf(number, sizeof number, "%02zu", i + 1);
            out << number << ' ';
            for (double count : matrix.counts[i])
                out << ' ' << exactText(count);
            out << '\n';
        }
        out << "XX\nCC  sites: " << exactText(matrix.sites) << "\nXX\n//\n";
    }
}

void writeJaspar(std::ostream& out, const std::vector<CountMatrix>& matrices)
{
    for (const CountMatrix& matrix : matrices) {
        out << '>' << oneWord(matrix.name) << '\n';
        for (std::size_t b = 0; b < 4; ++b) {
            out << bases[b] << "  [";
            for (const Column& column : matrix.counts)
                out << ' ' << exactText(column[b]);
            out << " ]\n";
        }
    }
}

void writeMeme(std::ostream& out, const std::vector<CountMatrix>& matrices, const std::array<double, 4>& background)
{
    out << "MEME version 4\n\nALPHABET= ACGT\n\nstrands: + -\n\nBackground letter frequencies\n";
    for (std::size_t b = 0; b < 4; ++b)
        out << (b ? " " : "") << bases[b] << ' ' << exactText(background[b]);
    out << '\n';
    for (const CountMatrix& matrix : matrices) {
        // No E-value is known; readers want the field, and 0 is what
        // converters into this format write.
        out << "\nMOTIF " << oneWord(matrix.name)
            << "\nletter-probability matrix: alength= 4 w= " << matrix.counts.size()
            << " nsites= " << exactText(matrix.sites) << " E= 0\n";
        for (const auto& [a, c, g, t] : matrix.counts) {
            const double total = a + c + g + t;
            out << ' ' << exactText(a / total) << ' ' << exactText(c / total) << ' ' << exactText(g / total) << ' '
                << exactText(t / total) << '\n';
        }
    }
}

} // namespace

void writeMatrixFile(const std::vector<CountMatrix>& matrices, MotifFormat format, const std::string& fileName,
                     const std::array<double, 4>& background)
{
    if (format != MotifFormat::transfac && format != MotifFormat::jaspar && format != MotifFormat::meme)
        reportError({"ERROR: " + fileName + ": matrices are written as TRANSFAC, JASPAR or MEME only"});
    writeOutputFile(fileName, "Matrix file", [&](std::ostream& out) {
        if (format == MotifFormat::transfac)
            writeTransfac(out, matrices);
        else if (format == MotifFormat::jaspar)
            writeJaspar(out, matrices);
        else
            writeMeme(out, matrices, background);
    });
}

std::string fileSafeName(const std::string& motifName)
{
    std::string safe = motifName;
    for (char& letter : safe) {
        const bool kept = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')
                       || (letter >= '0' && letter <= '9') || letter == '.' || letter == '_' || letter == '-';
        if (!kept)
            letter = '_';
    }
    return safe;
}
