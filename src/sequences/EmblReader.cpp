#include "sequences/EmblReader.h"

#include <sstream>
#include <string>
#include <string_view>

#include "base/ErrorReport.h"
#include "sequences/GenBankReader.h"

namespace {

bool beginsWith(std::string_view line, std::string_view start)
{
    return line.substr(0, start.size()) == start;
}

// The line's text after its two-letter code and the blanks that follow.
std::string_view valueOf(std::string_view line)
{
    const std::string_view::size_type at = line.find_first_not_of(' ', 2);
    return at == std::string_view::npos ? std::string_view() : line.substr(at);
}

// The fields of an ID line, "ID   AE017046; SV 1; circular; genomic DNA;
// STD; PRO; 9609 BP.": the name, the version, the topology and the length,
// each left empty where the line lacks it.
struct IdLine {
    std::string name, version, topology, length;
};

IdLine readIdLine(std::string_view line)
{
    IdLine id;
    std::string_view rest = valueOf(line);
    for (int field = 0; !rest.empty(); ++field) {
        const std::string_view::size_type end = rest.find(';');
        std::string_view part = rest.substr(0, end);
        while (!part.empty() && part.front() == ' ')
            part.remove_prefix(1);
        while (!part.empty() && (part.back() == ' ' || part.back() == '.'))
            part.remove_suffix(1);
        if (field == 0)
            id.name = part;
        else if (beginsWith(part, "SV "))
            id.version = part.substr(3);
        else if (part == "circular" || part == "linear")
            id.topology = part;
        else if (part.size() > 3 && part.substr(part.size() - 3) == " BP")
            id.length = part.substr(0, part.size() - 3);
        if (end == std::string_view::npos)
            break;
        rest = rest.substr(end + 1);
    }
    return id;
}

// One EMBL record as the GenBank text it stands for, the header written once
// the record's first feature or sequence line comes.
class Record {
public:
    explicit Record(std::string& out) : out_(out) {}

    void take(std::string_view line)
    {
        if (beginsWith(line, "ID")) {
            id_ = readIdLine(line);
        } else if (beginsWith(line, "AC") && accession_.empty()) {
            const std::string_view value = valueOf(line);
            accession_ = value.substr(0, value.find(';'));
        } else if (beginsWith(line, "DE")) {
            definition_.emplace_back(valueOf(line));
        } else if (beginsWith(line, "FH")) {
            writeHeader();
        } else if (beginsWith(line, "FT")) {
            writeHeader();
            // The key and qualifier columns are those of GenBank's features.
            out_ += "  ";
            out_ += line.substr(2);
            out_ += '\n';
        } else if (beginsWith(line, "SQ")) {
            writeHeader();
            out_ += "ORIGIN\n";
            inSequence_ = true;
        } else if (beginsWith(line, "//")) {
            writeHeader();
            out_ += "//\n";
            id_ = IdLine();
            accession_.clear();
            definition_.clear();
            headerWritten_ = inSequence_ = false;
        } else if (inSequence_ && !line.empty() && line.front() == ' ') {
            // Letters first, the count at the end: GenBank writes a position
            // first, which its reader passes over.
            std::string_view letters = line;
            while (!letters.empty() && (letters.back() == ' ' || (letters.back() >= '0' && letters.back() <= '9')))
                letters.remove_suffix(1);
            out_ += "        1";
            out_ += letters;
            out_ += '\n';
        }
    }

private:
    void writeHeader()
    {
        if (headerWritten_)
            return;
        if (id_.name.empty())
            reportError({"Invalid format for EMBL file. No ID line!"});
        headerWritten_ = true;
        out_ += "LOCUS       " + id_.name + ' ' + (id_.length.empty() ? "0" : id_.length) + " bp    DNA     "
              + id_.topology + '\n';
        for (std::size_t i = 0; i < definition_.size(); ++i)
            out_ += (i == 0 ? "DEFINITION  " : "            ") + definition_[i] + '\n';
        if (definition_.empty())
            out_ += "DEFINITION  \n";
        if (!accession_.empty()) {
            out_ += "ACCESSION   " + accession_ + '\n';
            out_ += "VERSION     " + accession_ + (id_.version.empty() ? "" : "." + id_.version) + '\n';
        }
        out_ += "FEATURES             Location/Qualifiers\n";
    }

    std::string& out_;
    IdLine id_;
    std::string accession_;
    std::vector<std::string> definition_;
    bool headerWritten_ = false;
    bool inSequence_ = false;
};

} // namespace

void readEmblFile(TextLines& text, std::vector<Sequence>& sequences, bool codingRecords)
{
    std::string genBank;
    Record record(genBank);
    std::string_view line;
    while (text.next(line))
        record.take(line.substr(0, line.size() - (!line.empty() && line.back() == '\r' ? 1 : 0)));
    if (genBank.empty())
        reportError({"Invalid format for EMBL file. No ID line!"});
    std::istringstream stream(std::move(genBank));
    TextLines lines(stream);
    readGenBankFile(lines, sequences, codingRecords);
}
