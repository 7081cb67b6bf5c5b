#include "motif/SiteCollection.h"

#include <algorithm>
#include <array>

#include "base/ErrorReport.h"
#include "base/FileNames.h"
#include "base/InputFile.h"
#include "base/TextLines.h"
#include "motif/Background.h"
#include "motif/Log2.h"
#include "sequences/Sequence.h"
#include "sequences/SequenceSet.h"

namespace {

char consensusOf(const MotifColumn& column)
{
    // Ties go to the earlier base in the order A, C, G, T.
    if (column.freqA >= column.freqC && column.freqA >= column.freqG && column.freqA >= column.freqT)
        return 'A';
    if (column.freqC >= column.freqG && column.freqC >= column.freqT)
        return 'C';
    if (column.freqG >= column.freqT)
        return 'G';
    return 'T';
}
} // namespace

SiteCollection::SiteCollection(const std::string& motifFileName, const Sequence& referenceSequence)
{
    motifName = stemOf(motifFileName);
    if (isFastaName(motifFileName))
        readSiteFasta(motifFileName);
    else if (isPlainListName(motifFileName))
        readSiteList(motifFileName);
    else
        reportError({"Incorrect motif file extension.", "Type Varno /? for help"});

    buildModel(referenceSequence);
}

SiteCollection SiteCollection::fromSites(const std::vector<std::string>& siteTexts, const Sequence& referenceSequence,
                                         const std::string& motifName)
{
    SiteCollection collection;
    collection.motifName = motifName;
    for (std::string text : siteTexts) {
        uppercase(text);
        collection.sites.push_back(Site{text, 0.0});
    }
    collection.checkSiteLengths();
    collection.buildModel(referenceSequence);
    return collection;
}

SiteCollection SiteCollection::against(const Sequence& referenceSequence) const
{
    SiteCollection copy = *this;
    copy.computeRsequence(referenceSequence);
    copy.computeRelativeEntropy(referenceSequence);
    return copy;
}

void SiteCollection::buildModel(const Sequence& referenceSequence)
{
    buildFrequencyTable();
    computeRsequence(referenceSequence);
    computeRelativeEntropy(referenceSequence);
}

void SiteCollection::readSiteList(const std::string& fileName)
{
    readSites(fileName, false);
}

void SiteCollection::readSiteFasta(const std::string& fileName)
{
    readSites(fileName, true);
}

void SiteCollection::readSites(const std::string& fileName, bool skipHeaders)
{
    InputFile file(fileName);
    std::string line, header;
    std::size_t linesUnderHeader = 0;
    while (readTextLine(file.stream(), line)) {
        // Lines are taken whole: no trimming, no comments; only empty lines
        // (and headers of a multi-FASTA file) are not sites.
        if (line.empty())
            continue;
        if (skipHeaders && line[0] == '>') {
            header = line;
            linesUnderHeader = 0;
            continue;
        }
        if (++linesUnderHeader == 2 && !header.empty() && wrappedHeader.empty())
            wrappedHeader = header;
        uppercase(line);
        sites.push_back(Site{line, 0.0});
    }
    checkSiteLengths();
}

void SiteCollection::checkSiteLengths()
{
    if (sites.empty())
        reportError({"No sites read. Please check motif file!"});
    const std::size_t firstLength = sites.front().window.size();
    for (const Site& site : sites) {
        if (site.window.size() != firstLength)
            reportError({"Incorrect collection file! - Different site lengths"});
    }
    siteLength = static_cast<std::uint32_t>(firstLength);
}

void SiteCollection::buildFrequencyTable()
{
    std::vector<std::array<double, 4>> counts(siteLength);
    for (std::uint32_t i = 0; i < siteLength; ++i) {
        BaseCounts letters;
        for (const Site& site : sites)
            letters.add(static_cast<unsigned char>(site.window[i]));
        counts[i] = {letters.countA, letters.countC, letters.countG, letters.countT};
    }
    buildColumns(counts);
}

SiteCollection SiteCollection::fromCounts(const std::vector<std::array<double, 4>>& counts,
                                          const Sequence& referenceSequence, const std::string& motifName,
                                          double siteTotal)
{
    SiteCollection collection;
    collection.motifName = motifName;
    collection.siteLength = static_cast<std::uint32_t>(counts.size());
    collection.countedSites_ = siteTotal;
    if (siteTotal == 0.0)
        for (const std::array<double, 4>& column : counts)
            collection.countedSites_ =
                std::max(collection.countedSites_, column[0] + column[1] + column[2] + column[3]);
    collection.buildColumns(counts);
    collection.computeRsequence(referenceSequence);
    collection.computeRelativeEntropy(referenceSequence);
    return collection;
}

void SiteCollection::buildColumns(const std::vector<std::array<double, 4>>& counts)
{
    columns.reserve(counts.size());
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const auto& [countA, countC, countG, countT] = counts[i];
        const double total = countA + countC + countG + countT;
        // Without any counted letter the frequencies would be NaN.
        if (total == 0.0)
            reportError({"Incorrect collection file! - No base at site position " + std::to_string(i + 1)});

        MotifColumn column;
        column.countA = countA;
        column.countC = countC;
        column.countG = countG;
        column.countT = countT;
        column.freqA = countA / total;
        column.freqC = countC / total;
        column.freqG = countG / total;
        column.freqT = countT / total;
        column.consensus = consensusOf(column);
        columns.push_back(column);
    }
}

void SiteCollection::computeRsequence(const Sequence& referenceSequence)
{
    const double aprioriEntropy = referenceSequence.aprioriEntropy;
    rsequence = 0.0;
    for (MotifColumn& column : columns) {
        const double a = column.freqA + logGuard;
        const double c = column.freqC + logGuard;
        const double g = column.freqG + logGuard;
        const double t = column.freqT + logGuard;
        column.rsequence = a * log2Bits(a) + c * log2Bits(c) + g * log2Bits(g) + t * log2Bits(t) + aprioriEntropy;
        rsequence += column.rsequence;
    }
}

void SiteCollection::computeRelativeEntropy(const Sequence& referenceSequence)
{
    const double qA = backgroundProbability(referenceSequence, 'A');
    const double qC = backgroundProbability(referenceSequence, 'C');
    const double qG = backgroundProbability(referenceSequence, 'G');
    const double qT = backgroundProbability(referenceSequence, 'T');
    relativeEntropy = 0.0;
    for (MotifColumn& column : columns) {
        const double a = column.freqA + logGuard;
        const double c = column.freqC + logGuard;
        const double g = column.freqG + logGuard;
        const double t = column.freqT + logGuard;
        column.relativeEntropy =
            a * log2Bits(a / qA) + c * log2Bits(c / qC) + g * log2Bits(g / qG) + t * log2Bits(t / qT);
        relativeEntropy += column.relativeEntropy;
    }
}

void uppercase(std::string& text)
{
    for (char& letter : text)
        letter = upperCase(letter);
}
