#include "sequences/Gff3Reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "base/ErrorReport.h"
#include "base/InputFile.h"
#include "sequences/FastaReader.h"
#include "sequences/GenBankReader.h"
#include "sequences/WholeGeneTexts.h"

namespace {

constexpr std::size_t columnCount = 9;

int hexValue(char letter)
{
    if (letter >= '0' && letter <= '9')
        return letter - '0';
    if (letter >= 'a' && letter <= 'f')
        return letter - 'a' + 10;
    if (letter >= 'A' && letter <= 'F')
        return letter - 'A' + 10;
    return -1;
}

// The value with its %XX escapes (GFF3 escapes ; = & , % and tabs so) read
// as the bytes they stand for; a '%' not followed by two hex digits stays.
std::string decoded(std::string_view value)
{
    std::string text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const int high = value[i] == '%' && i + 2 < value.size() ? hexValue(value[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(value[i + 2]) : -1;
        if (low >= 0) {
            text += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            text += value[i];
        }
    }
    return text;
}

// The decoded value of `tag` in column 9 (tag=value pairs split by ';');
// empty when the tag is missing.
std::string attribute(std::string_view attributes, std::string_view tag)
{
    while (!attributes.empty()) {
        const std::size_t end = attributes.find(';');
        std::string_view pair = attributes.substr(0, end);
        attributes = end == std::string_view::npos ? std::string_view() : attributes.substr(end + 1);
        // Some writers put a blank after each ';'.
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        if (pair.size() > tag.size() && pair.compare(0, tag.size(), tag) == 0 && pair[tag.size()] == '=') {
            // A blank at either end, which the GenBank twin of a file never shows.
            std::string value = decoded(pair.substr(tag.size() + 1));
            value.erase(0, std::min(value.find_first_not_of(' '), value.size()));
            value.erase(value.find_last_not_of(' ') + 1);
            return value;
        }
    }
    return std::string();
}

// The CDS read for one sequence id, and the line where that id was first
// seen, for the message when no sequence has it.
struct SequenceGenes {
    std::string id;
    std::uint64_t firstLine = 0;
    std::vector<Gene> genes;
    std::vector<std::string> parents; // per gene: its Parent's ID while it has no gene name
    std::vector<CodingRecord> coding; // per gene, when asked for
};

// The 1-based place of the first whole codon of a part of phase `phase`
// (0, 1 or 2 letters to pass over first); 1 for any other text.
std::uint8_t codonStartOf(std::string_view phase)
{
    return phase.size() == 1 && phase[0] >= '0' && phase[0] <= '2' ? static_cast<std::uint8_t>(phase[0] - '0' + 1) : 1;
}

// Adds a CDS line's part where the CDS reads it: along its strand, from the
// lowest coordinate up on +, from the highest down on -; the first part's
// phase is where the CDS's first codon starts.
void addPart(CodingRecord& coding, LocationPart part, std::string_view phase)
{
    const auto before = [&part](const LocationPart& other) {
        return part.forward ? part.low < other.low : part.low > other.low;
    };
    const auto at = std::find_if(coding.parts.begin(), coding.parts.end(), before);
    if (at == coding.parts.begin())
        coding.codonStart = codonStartOf(phase);
    coding.parts.insert(at, part);
}

class Gff3Features {
public:
    Gff3Features(const std::string& fileName, bool codingRecords) : fileName_(fileName), codingRecords_(codingRecords)
    {
    }

    // Reads the feature lines up to a "##FASTA" line (true, the text after
    // it) or the end of the text (false).
    bool read(TextLines& text)
    {
        std::string_view line;
        while (text.next(line)) {
            ++lineNumber_;
            if (line == "##FASTA")
                return true;
            if (!line.empty() && line.front() != '#')
                readFeature(line);
            else if (line.substr(0, 18) == "##sequence-region ")
                noteRegion(line.substr(18));
        }
        return false;
    }

    std::uint64_t lineNumber() const { return lineNumber_; }

    // The length a "##sequence-region ID START END" line gave the sequence,
    // 0 when none did: room for its letters is then made at once, rather
    // than by growing a genome's worth of text again and again.
    std::uint64_t regionLength(std::string_view header) const
    {
        const std::string_view name = header.substr(1, header.find_first_of(" \t\r") - 1);
        const auto found = regionLengths_.find(std::string(name));
        return found == regionLengths_.end() ? 0 : found->second;
    }

    // Gives every sequence of `sequences` its genes and sourceFormat 'G'; an
    // id of the file that names none of them ends the run.
    void attach(std::vector<Sequence>& sequences)
    {
        std::map<std::string_view, std::size_t> byId;
        for (std::size_t i = 0; i < sequences.size(); ++i) {
            byId.emplace(sequences[i].id, i);
            if (circularIds_.count(sequences[i].id) != 0)
                sequences[i].statedTopology = Topology::circular;
        }
        for (SequenceGenes& read : read_) {
            const auto found = byId.find(read.id);
            if (found == byId.end())
                fail(read.firstLine, "no sequence has the id \"" + read.id + "\" of column 1",
                     "The first word of a FASTA header is its sequence's id.");
            Sequence& sequence = sequences[found->second];
            for (std::size_t i = 0; i < read.genes.size(); ++i)
                finishGene(read.genes[i], read.parents[i], sequence.bases.size());
            sequence.genes = std::move(read.genes);
            sequence.coding = std::move(read.coding);
            cleanGeneTexts(sequence);
        }
        // A sequence without CDS is then as a GenBank record without any.
        for (Sequence& sequence : sequences)
            sequence.sourceFormat = 'G';
    }

    [[noreturn]] void fail(std::uint64_t line, const std::string& problem, const std::string& fix = std::string()) const
    {
        const std::string where =
            "Incorrect GFF3 file " + fileName_ + ", line " + std::to_string(line) + ": " + problem;
        if (fix.empty())
            reportError({where});
        reportError({where, fix});
    }

private:
    void readFeature(std::string_view line)
    {
        std::array<std::string_view, columnCount> columns;
        std::size_t count = 0;
        for (std::size_t from = 0;; ++count) {
            const std::size_t tab = line.find('\t', from);
            if (count < columnCount)
                columns[count] = line.substr(from, tab == std::string_view::npos ? tab : tab - from);
            if (tab == std::string_view::npos)
                break;
            from = tab + 1;
        }
        if (++count != columnCount)
            fail(lineNumber_, "expected 9 tab-separated columns, found " + std::to_string(count));
        const std::uint32_t start = coordinate(columns[3], "start");
        const std::uint32_t end = coordinate(columns[4], "end");
        const std::string_view strand = columns[6];
        if (strand != "+" && strand != "-" && strand != "." && strand != "?")
            fail(lineNumber_, "the strand \"" + std::string(strand) + "\" is not one of + - . ?");
        if (start > end)
            fail(lineNumber_, "the start " + std::to_string(start) + " is after the end " + std::to_string(end),
                 "GFF3 gives a feature on the - strand with its lower coordinate first too.");

        const std::string_view attributes = columns[8];
        if (columns[2] == "region" && attribute(attributes, "Is_circular") == "true") {
            circularIds_.emplace(columns[0]);
            return;
        }
        if (columns[2] == "gene") {
            const std::string id = attribute(attributes, "ID");
            if (!id.empty())
                geneNames_[id] = attribute(attributes, "Name");
            return;
        }
        if (columns[2] != "CDS")
            return;

        const std::string id = attribute(attributes, "ID");
        const auto [sequenceIndex, added] = sequenceIndex_.emplace(std::string(columns[0]), read_.size());
        if (added)
            read_.push_back({std::string(columns[0]), lineNumber_, {}, {}, {}});
        SequenceGenes& genes = read_[sequenceIndex->second];
        LocationPart part;
        part.low = start;
        part.high = end;
        part.forward = strand != "-";
        // Only a..b and complement(a..b) give coordinates: a GenBank record
        // writes the parts of a CDS as join(...), which leaves both at 0.
        if (!id.empty()) {
            const auto [index, first] = partOf_.emplace(std::string(columns[0]) + '\t' + id, genes.genes.size());
            if (!first) {
                genes.genes[index->second].start = 0;
                genes.genes[index->second].end = 0;
                if (codingRecords_)
                    addPart(genes.coding[index->second], part, columns[7]);
                return;
            }
        }
        Gene gene;
        gene.forward = strand != "-";
        gene.start = gene.forward ? start : end;
        gene.end = gene.forward ? end : start;
        gene.locusTag = attribute(attributes, "locus_tag");
        if (gene.locusTag.empty())
            gene.locusTag = id;
        // Bakta writes the product as Name: only `gene` names the gene.
        gene.geneName = attribute(attributes, "gene");
        gene.product = attribute(attributes, "product");
        std::string parent = gene.geneName.empty() ? attribute(attributes, "Parent") : std::string();
        parent.erase(std::min(parent.find(','), parent.size()));
        genes.genes.push_back(std::move(gene));
        genes.parents.push_back(std::move(parent));
        if (codingRecords_)
            genes.coding.push_back(codingRecordOf(attributes, part, columns[7]));
    }

    // What the protein of a CDS is made from, as far as its first line
    // gives it; a translation is rarely among the attributes.
    static CodingRecord codingRecordOf(std::string_view attributes, LocationPart part, std::string_view phase)
    {
        CodingRecord coding;
        coding.translation = attribute(attributes, "translation");
        coding.pseudo = attribute(attributes, "pseudo") == "true";
        const std::string table = attribute(attributes, "transl_table");
        if (!table.empty()) {
            unsigned number = 0;
            const std::from_chars_result read = std::from_chars(table.data(), table.data() + table.size(), number);
            coding.table = read.ec == std::errc() && read.ptr == table.data() + table.size() && number <= 0xffff
                             ? static_cast<std::uint16_t>(number)
                             : 0;
        }
        addPart(coding, part, phase);
        return coding;
    }

    std::uint32_t coordinate(std::string_view text, const char* which) const
    {
        std::uint64_t value = 0;
        bool digits = !text.empty();
        for (const char letter : text) {
            digits = digits && letter >= '0' && letter <= '9';
            value = digits ? value * 10 + static_cast<std::uint64_t>(letter - '0') : 0;
            if (value > std::numeric_limits<std::uint32_t>::max())
                digits = false;
        }
        if (!digits)
            fail(lineNumber_, std::string("the ") + which + " \"" + std::string(text) + "\" is not a whole number",
                 "Coordinates of GFF3 carry no partial marks such as < or >.");
        return static_cast<std::uint32_t>(value);
    }

    // The gene name from the Parent gene feature, which may come later in
    // the file; a CDS that runs past its sequence crosses the origin, which
    // a GenBank record writes as join(...). The texts are then kept as the
    // GenBank reader keeps one-line values: the whole value apart where it
    // holds a comma, which cleanGeneTexts turns to '.' in the shown text.
    void finishGene(Gene& gene, const std::string& parent, std::size_t sequenceLength) const
    {
        if (!parent.empty()) {
            const auto found = geneNames_.find(parent);
            if (found != geneNames_.end())
                gene.geneName = found->second;
        }
        if (gene.start > sequenceLength || gene.end > sequenceLength)
            gene.start = gene.end = 0;
        keepWholeGeneTexts(gene);
    }

    const std::string& fileName_;
    bool codingRecords_;
    std::uint64_t lineNumber_ = 0;
    std::vector<SequenceGenes> read_;                    // in order of first appearance
    std::map<std::string, std::size_t> sequenceIndex_;   // id -> index in read_
    std::map<std::string, std::size_t> partOf_;          // sequence id, tab, CDS ID -> its gene's index
    std::map<std::string, std::string> geneNames_;       // gene feature ID -> its Name
    std::map<std::string, std::uint64_t> regionLengths_; // sequence id -> its ##sequence-region end
    std::set<std::string> circularIds_;                  // sequences whose region says Is_circular=true

    void noteRegion(std::string_view region)
    {
        std::istringstream words{std::string(region)};
        std::string id;
        std::uint64_t start = 0, end = 0;
        if (words >> id >> start >> end && end >= start)
            regionLengths_[id] = end - start + 1;
    }
};

} // namespace

void readGff3File(TextLines& text, const std::string& fileName, std::vector<Sequence>& sequences, bool codingRecords)
{
    Gff3Features features(fileName, codingRecords);
    if (!features.read(text))
        features.fail(features.lineNumber(), "no \"##FASTA\" line, after which the sequences would be",
                      "Give the sequences as a FASTA file and this file as their genes.");
    if (!text.startsWith(">"))
        features.fail(features.lineNumber() + 1, "a FASTA header ('>') was expected after \"##FASTA\"");
    std::vector<Sequence> read;
    while (!text.atEnd()) {
        Sequence sequence;
        std::string_view header;
        text.next(header);
        const std::string headerText(header);
        readFastaRecord(sequence, headerText, text, features.regionLength(headerText));
        read.push_back(std::move(sequence));
    }
    features.attach(read);
    for (Sequence& sequence : read)
        sequences.push_back(std::move(sequence));
}

void readGff3Genes(TextLines& text, const std::string& fileName, std::vector<Sequence>& sequences, bool codingRecords)
{
    Gff3Features features(fileName, codingRecords);
    features.read(text);
    features.attach(sequences);
}

void readGff3File(const std::string& fileName, std::vector<Sequence>& sequences, bool codingRecords)
{
    InputFile file(fileName);
    TextLines text(file.stream());
    readGff3File(text, fileName, sequences, codingRecords);
}

void readGff3Genes(const std::string& fileName, std::vector<Sequence>& sequences, bool codingRecords)
{
    InputFile file(fileName);
    TextLines text(file.stream());
    readGff3Genes(text, fileName, sequences, codingRecords);
}
