#include "motif/CollectionLogs.h"

#include <ostream>

#include "base/RunLog.h"
#include "motif/SiteCollection.h"

namespace {
// One line of the frequency table: the label cell, then one cell per position,
// every cell followed by ','.
template <typename Cell>
void writeTableLine(std::ostream& table, const char* label, const SiteCollection& collection, Cell cell)
{
    table << label << ',';
    for (std::size_t k = 0; k < collection.columns.size(); ++k)
        table << cell(k) << ',';
    table << '\n';
}
} // namespace

void writeCollectionLogs(const SiteCollection& collection, const std::string& stem, RunLog& log)
{
    OutputFile tableFile;
    if (openDiagnosticLog(tableFile, stem + "_freq_table.csv", log)) {
        std::ostream& table = tableFile.stream();
        const std::vector<MotifColumn>& columns = collection.columns;
        writeTableLine(table, "", collection, [](std::size_t k) { return k + 1; });
        writeTableLine(table, "A", collection, [&](std::size_t k) { return columns[k].freqA; });
        writeTableLine(table, "C", collection, [&](std::size_t k) { return columns[k].freqC; });
        writeTableLine(table, "G", collection, [&](std::size_t k) { return columns[k].freqG; });
        writeTableLine(table, "T", collection, [&](std::size_t k) { return columns[k].freqT; });
        writeTableLine(table, "Cons.", collection, [&](std::size_t k) { return columns[k].consensus; });
        writeTableLine(table, "RI", collection, [&](std::size_t k) { return columns[k].rsequence; });
        writeTableLine(table, "RE", collection, [&](std::size_t k) { return columns[k].relativeEntropy; });
        table << '\n';
        table << "Motif Rsequence (bits): " << collection.rsequence << '\n';
        table << "Motif RE (bits): " << collection.relativeEntropy << '\n';
        closeDiagnosticLog(tableFile, log);
    }

    OutputFile siteLog;
    if (openDiagnosticLog(siteLog, stem + "_site_collection_log.txt", log)) {
        // A model from a count matrix has no sites to list.
        if (collection.sites.empty())
            siteLog.stream() << "Motif read as a matrix: " << collection.motifName << ", " << collection.siteTotal()
                             << " sites\n";
        for (std::size_t i = 0; i < collection.sites.size(); ++i) {
            siteLog.stream() << '>' << collection.motifName << " collection - Site #" << i << '\n';
            siteLog.stream() << collection.sites[i].window << '\n';
        }
        closeDiagnosticLog(siteLog, log);
    }
}
