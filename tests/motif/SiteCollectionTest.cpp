#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "motif/SiteCollection.h"
#include "sequences/Sequence.h"
#include "support/TestSupport.h"

using testing_support::ScopedWorkingFolder;
using testing_support::TempDir;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

// The sites' windows of a collection read from a file written with `content`.
std::vector<std::string> readSites(const std::string& fileName, const std::string& content)
{
    TempDir folder;
    ScopedWorkingFolder inside(folder.path());
    if (fileName.find('/') != std::string::npos)
        std::filesystem::create_directories(fileName.substr(0, fileName.rfind('/')));
    writeFile(fileName, content);
    const Sequence uniform;
    const SiteCollection collection(fileName, uniform);
    std::vector<std::string> windows;
    for (const Site& site : collection.sites)
        windows.push_back(site.window);
    return windows;
}

// The error log left by a motif file that must be rejected; empty content
// means no file is written at all.
std::string rejection(const std::string& fileName, const std::string& content)
{
    TempDir folder;
    ScopedWorkingFolder inside(folder.path());
    if (!content.empty())
        writeFile(fileName, content);
    const Sequence uniform;
    testing::internal::CaptureStdout();
    EXPECT_THROW(SiteCollection(fileName, uniform), FatalError);
    const std::string console = testing::internal::GetCapturedStdout();
    const std::string log = readFile(errorLogName);
    EXPECT_EQ(console, log);
    return log;
}

const std::vector<std::string> twoSites = {"ACGT", "TTGA"};

} // namespace

TEST(SiteCollectionFileName, ChoosesTheReaderByTheExactExtension)
{
    const std::string list = ">x\nACGT\nTTGA\n";
    // Plain lists keep a '>' line as a site; multi-FASTA files skip it.
    EXPECT_EQ(readSites("sites.TXT", "ACGT\nTTGA\n"), twoSites);
    EXPECT_EQ(readSites("sites.txt", "ACGT\nTTGA\n"), twoSites);
    EXPECT_EQ(readSites("txtsites", "ACGT\nTTGA\n"), twoSites);
    EXPECT_EQ(readSites("sites.FNA", list), twoSites);
    EXPECT_EQ(readSites("sites.fas", list), twoSites);
    EXPECT_EQ(readSites("motifs/lexa.fasta", list), twoSites);
    EXPECT_EQ(readSites("sites.txt2", ">site\nACGTA\n"), (std::vector<std::string>{">SITE", "ACGTA"}));

    for (const char* name : {"sites.Txt", "sites.Fas", "sites.seq", "sites.tx", "sites"})
        EXPECT_EQ(rejection(name, "ACGT\n"), "Incorrect motif file extension.\nType Varno /? for help\n") << name;
}

TEST(SiteCollectionFileName, MotifNameStopsBeforeTheLastDot)
{
    TempDir folder;
    ScopedWorkingFolder inside(folder.path());
    std::filesystem::create_directories("motifs");
    writeFile("motifs/lexa.fasta", "ACGT\n");
    writeFile("motifs/lexa.txt", "ACGT\n");
    writeFile("txtsites", "ACGT\n");
    const Sequence uniform;
    EXPECT_EQ(SiteCollection("motifs/lexa.fasta", uniform).motifName, "motifs/lexa");
    EXPECT_EQ(SiteCollection("motifs/lexa.txt", uniform).motifName, "motifs/lexa");
    EXPECT_EQ(SiteCollection("txtsites", uniform).motifName, "txtsites");
}

TEST(SiteCollectionReader, TakesLinesWholeAndUpperCased)
{
    EXPECT_EQ(readSites("s.txt", "acgTn\n\n\nTTGAC"), (std::vector<std::string>{"ACGTN", "TTGAC"}));
    EXPECT_EQ(readSites("s.txt", "ACGT\r\n\r\nTTGA\r\n"), twoSites);
    EXPECT_EQ(readSites("s.txt", "a c\n\tgc\n"), (std::vector<std::string>{"A C", "\tGC"}));
    EXPECT_EQ(readSites("s.txt", ">site1\nAAAAAA\n"), (std::vector<std::string>{">SITE1", "AAAAAA"}));
}

TEST(SiteCollectionReader, MultiFastaKeepsWrappedLinesAsSeparateSites)
{
    EXPECT_EQ(readSites("s.fna", ">one\nAAAAACCCCC\nGGGGGTTTTT\n>two\nACGTACGTAC\nTTTTTAAAAA\n"),
              (std::vector<std::string>{"AAAAACCCCC", "GGGGGTTTTT", "ACGTACGTAC", "TTTTTAAAAA"}));
}

TEST(SiteCollectionReader, SitesAreHitsOfTypeCollection)
{
    const Sequence uniform;
    const SiteCollection collection = SiteCollection::fromSites({"ACG", "TTA"}, uniform);
    EXPECT_EQ(collection.siteLength, 3u);
    EXPECT_EQ(collection.siteCount(), 2u);
    EXPECT_EQ(collection.columns.size(), 3u);
    for (const Site& site : collection.sites) {
        EXPECT_EQ(site.window.size(), 3u);
        EXPECT_EQ(site.score, 0.0);
    }
}

TEST(SiteCollectionReader, ReadsTheRealCollectionAlikeFromBothFormats)
{
    const Sequence uniform;
    const SiteCollection list(testing_support::dataFile("motif/ecoli_LexA.txt"), uniform);
    const SiteCollection fasta(testing_support::dataFile("motif/ecoli_LexA.fas"), uniform);
    ASSERT_EQ(list.siteCount(), 19u);
    EXPECT_EQ(list.siteLength, 20u);
    ASSERT_EQ(fasta.siteCount(), 19u);
    for (std::size_t i = 0; i < list.sites.size(); ++i)
        EXPECT_EQ(list.sites[i].window, fasta.sites[i].window);
    EXPECT_EQ(list.rsequence, fasta.rsequence);
    EXPECT_EQ(list.columns[3].consensus, 'T');

    // The same counts without the site strings give the same model.
    std::vector<std::array<double, 4>> counts;
    for (const MotifColumn& column : list.columns)
        counts.push_back({column.countA, column.countC, column.countG, column.countT});
    const SiteCollection matrix = SiteCollection::fromCounts(counts, uniform, "lexa");
    EXPECT_EQ(matrix.siteTotal(), 19.0);
    EXPECT_EQ(matrix.rsequence, list.rsequence);
    EXPECT_EQ(matrix.relativeEntropy, list.relativeEntropy);
    for (std::size_t i = 0; i < list.columns.size(); ++i)
        EXPECT_EQ(matrix.columns[i].freqG, list.columns[i].freqG);
}

TEST(SiteCollectionReader, RejectsBadCollections)
{
    EXPECT_EQ(rejection("missing.txt", ""), "Incorrect file name: missing.txt\n");
    const std::string differentLengths = "Incorrect collection file! - Different site lengths\n";
    EXPECT_EQ(rejection("s.txt", "ACGTACGTACGTACGT\n \nACGTACGTACGTACGT\n"), differentLengths);
    EXPECT_EQ(rejection("s.txt", "ACGTACGTACGT\nACGTACGTACGT\nACGTACGTACGT\nACGTACGTACGT\nACGTACGTACGTA\n"),
              differentLengths);
    const std::string noSites = "No sites read. Please check motif file!\n";
    EXPECT_EQ(rejection("s.txt", "\n\n\r\n"), noSites);
    EXPECT_EQ(rejection("s.fas", ">a\n>b\n"), noSites);
    EXPECT_EQ(rejection("s.txt", "AC-T\nAG-A\n"), "Incorrect collection file! - No base at site position 3\n");
}

TEST(FrequencyTable, WeighsIupacLetters)
{
    const Sequence uniform;
    const SiteCollection collection = SiteCollection::fromSites({"RBNA", "AB-A", "AB-U"}, uniform);
    const MotifColumn& r = collection.columns[0];
    EXPECT_EQ(r.countA, 2.5);
    EXPECT_EQ(r.countG, 0.5);
    EXPECT_EQ(r.countC, 0.0);
    const MotifColumn& b = collection.columns[1];
    const double three = 0.33000001311302185;
    EXPECT_EQ(b.countC, three + three + three);
    EXPECT_EQ(b.countA, 0.0);
    EXPECT_EQ(b.freqC, 1.0 / 3.0);
    EXPECT_EQ(b.consensus, 'C');
    const MotifColumn& n = collection.columns[2];
    EXPECT_EQ(n.freqA, 0.25);
    EXPECT_EQ(n.freqT, 0.25);
    // The hyphen and U count for nothing, so only the A's make the frequency.
    EXPECT_EQ(collection.columns[3].freqA, 1.0);
}

TEST(FrequencyTable, ConsensusTiesGoToTheEarlierBase)
{
    const Sequence uniform;
    const SiteCollection collection = SiteCollection::fromSites({"ACGTA", "GGTTT", "TCGAA", "CGTCT"}, uniform);
    std::string consensus;
    for (const MotifColumn& column : collection.columns)
        consensus += column.consensus;
    EXPECT_EQ(consensus, "ACGTA");
}

TEST(MotifInformation, MatchesTheWorkedEntropies)
{
    const Sequence uniform;
    const SiteCollection collection = SiteCollection::fromSites({"AAN", "AGN"}, uniform);
    EXPECT_EQ(collection.columns[0].rsequence, 2.0);
    EXPECT_NEAR(collection.columns[0].relativeEntropy, 1.99999990485, 5e-12);
    EXPECT_NEAR(collection.columns[1].rsequence, 1.00000004757, 5e-12);
    EXPECT_EQ(collection.columns[1].consensus, 'A');
    EXPECT_NEAR(collection.columns[2].rsequence, 9.51465862e-08, 5e-16);
    EXPECT_EQ(collection.rsequence,
              collection.columns[0].rsequence + collection.columns[1].rsequence + collection.columns[2].rsequence);
    EXPECT_EQ(collection.relativeEntropy, collection.columns[0].relativeEntropy + collection.columns[1].relativeEntropy
                                              + collection.columns[2].relativeEntropy);
}

TEST(MotifInformation, UsesTheReferenceBackground)
{
    Sequence single;
    single.aprioriEntropy = 1.5;
    const SiteCollection collection = SiteCollection::fromSites({"ACGTACGTACGTACGT"}, single);
    EXPECT_EQ(collection.rsequence, 16 * 1.5);

    Sequence skewed;
    skewed.backgroundA = 0.5;
    const SiteCollection allA = SiteCollection::fromSites({"A"}, skewed);
    EXPECT_NEAR(allA.relativeEntropy, 1.0, 1e-7);
}
