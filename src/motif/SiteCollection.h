#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class Sequence;

// A known site: its letters as read, and its score once the model scores it.
struct Site {
    std::string window;
    double score = 0.0;
};

// One position of the motif model.
struct MotifColumn {
    double freqA = 0.0, freqC = 0.0, freqG = 0.0, freqT = 0.0;
    double countA = 0.0, countC = 0.0, countG = 0.0, countT = 0.0; // weighted counts
    char consensus = 'A';
    double rsequence = 0.0;       // bits
    double relativeEntropy = 0.0; // bits
};

// The known sites of the motif and the model built from them.
class SiteCollection {
public:
    // Reads the motif file (by extension) and builds the model against the
    // reference sequence's background. Input errors go through reportError.
    SiteCollection(const std::string& motifFileName, const Sequence& referenceSequence);

    // A collection of the given sites (already in the form they would be
    // read), with the model built; for tests and benchmarks.
    static SiteCollection fromSites(const std::vector<std::string>& siteTexts, const Sequence& referenceSequence,
                                    const std::string& motifName = "sites");
    // A model from the weighted counts of A, C, G and T at each position, as
    // a count matrix gives them, with no site strings. The number of sites
    // it stands for is `siteTotal`, or the largest column total when that is
    // 0 (a matrix of frequencies scaled to a number of sites states it).
    static SiteCollection fromCounts(const std::vector<std::array<double, 4>>& counts,
                                     const Sequence& referenceSequence, const std::string& motifName,
                                     double siteTotal = 0.0);

    // A copy whose columns' Rsequence and relative entropy, which the
    // differential methods (4, 8, 11) score against, are worked out against
    // another reference, exactly as a model built against it has them. A
    // scan that takes one owns every value it changes (the sites' scores
    // too), so that one model may serve several scans at once.
    SiteCollection against(const Sequence& referenceSequence) const;

    void readSiteList(const std::string& fileName);
    void readSiteFasta(const std::string& fileName);
    void buildFrequencyTable();
    void computeRsequence(const Sequence& referenceSequence);
    void computeRelativeEntropy(const Sequence& referenceSequence);
    std::uint32_t siteCount() const { return static_cast<std::uint32_t>(sites.size()); }
    // The number of sites the model stands for, which the methods' small-sample
    // terms use: the sites read, or a count matrix's largest column total.
    double siteTotal() const { return sites.empty() ? countedSites_ : static_cast<double>(sites.size()); }

    std::vector<Site> sites;
    std::vector<MotifColumn> columns;
    std::uint32_t siteLength = 0;
    double rsequence = 0.0;       // bits
    double relativeEntropy = 0.0; // bits
    std::string motifName;
    // A header of a multi-FASTA file with more than one line under it, the
    // first such: its lines are read as sites each, but may be one wrapped site.
    std::string wrappedHeader;

private:
    SiteCollection() = default;

    // The columns from each position's weighted counts.
    void buildColumns(const std::vector<std::array<double, 4>>& counts);
    double countedSites_ = 0.0; // of a model from counts

    // Shared by both readers: in a multi-FASTA file a line starting with '>'
    // is a header and is skipped.
    void readSites(const std::string& fileName, bool skipHeaders);
    // Rejects an empty collection or sites of different lengths; sets siteLength.
    void checkSiteLengths();
    void buildModel(const Sequence& referenceSequence);
};

// Turns a..z to upper case in place; every other byte is kept.
void uppercase(std::string& text);
