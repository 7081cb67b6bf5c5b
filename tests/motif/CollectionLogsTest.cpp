#include <gtest/gtest.h>

#include <string>

#include "base/RunLog.h"
#include "motif/CollectionLogs.h"
#include "motif/SiteCollection.h"
#include "sequences/Sequence.h"
#include "support/TestSupport.h"

using testing_support::TempDir;
using testing_support::fileExists;
using testing_support::readFile;

TEST(CollectionLogs, WriteTheWorkedFrequencyTableAndSiteLog)
{
    TempDir folder;
    const Sequence uniform;
    const SiteCollection collection = SiteCollection::fromSites({"AC", "AG"}, uniform, "lexa");
    RunLog console;
    writeCollectionLogs(collection, folder.file("ecoli"), console);

    EXPECT_EQ(readFile(folder.file("ecoli_freq_table.csv")), ",1,2,\n"
                                                             "A,1,0,\n"
                                                             "C,0,0.5,\n"
                                                             "G,0,0.5,\n"
                                                             "T,0,0,\n"
                                                             "Cons.,A,C,\n"
                                                             "RI,2,1,\n"
                                                             "RE,2,1,\n"
                                                             "\n"
                                                             "Motif Rsequence (bits): 3\n"
                                                             "Motif RE (bits): 3\n");
    EXPECT_EQ(readFile(folder.file("ecoli_site_collection_log.txt")),
              ">lexa collection - Site #0\nAC\n>lexa collection - Site #1\nAG\n");
}

TEST(CollectionLogs, OnePositionMotifHasOneCellPerLine)
{
    TempDir folder;
    Sequence skewed;
    skewed.aprioriEntropy = 1.9;
    const SiteCollection collection = SiteCollection::fromSites({"A", "A", "C", "N"}, skewed);
    RunLog console;
    writeCollectionLogs(collection, folder.file("run"), console);
    const std::vector<std::string> lines = testing_support::splitLines(readFile(folder.file("run_freq_table.csv")));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], ",1,");
    EXPECT_EQ(lines[1], "A,0.5625,");
    EXPECT_EQ(lines[2], "C,0.3125,");
    EXPECT_EQ(lines[5], "Cons.,A,");
}

TEST(CollectionLogs, UnwritableLogsAreAnnouncedAndSkipped)
{
    const Sequence uniform;
    const SiteCollection collection = SiteCollection::fromSites({"AC", "AG"}, uniform);
    RunLog console;
    testing::internal::CaptureStdout();
    writeCollectionLogs(collection, "no-such-folder/run", console);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "WARNING: could not write no-such-folder/run_freq_table.csv\n"
              "WARNING: could not write no-such-folder/run_site_collection_log.txt\n");
    EXPECT_FALSE(fileExists("no-such-folder"));
}
