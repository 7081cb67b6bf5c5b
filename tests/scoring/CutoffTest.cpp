#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/RunLog.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "scoring/Cutoff.h"
#include "sequences/Sequence.h"
#include "support/TestSupport.h"

using testing_support::TempDir;
using testing_support::readFile;
using testing_support::splitLines;

namespace {

std::string eightDigits(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.8g", value);
    return text;
}

double quantile(double p, double q, double mean, double sd)
{
    double result = 0.0;
    EXPECT_TRUE(normalQuantile(p, q, mean, sd, result));
    return result;
}

const std::vector<std::string> lexaSites = {
    "GACTGTATAAAACCACAGCC", "TATTGGCTGTTTATACAGTA", "TCCTGTTAATCCATACAGCA",
    "TACTGTACATCCATACAGTA", "ACCTGTATAAATAACCAGTA",
};

// deriveCutoff on the LexA sites, without logs, with the given settings.
double derivedCutoff(std::int32_t method, double threshold, bool literal = false)
{
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites(lexaSites, uniform);
    Options options;
    options.writeLogs = false;
    options.methodCode = method;
    options.threshold = threshold;
    options.literalCutoff = literal;
    options.cutoff = -99.0;
    RunLog console;
    deriveCutoff(collection, options, uniform, "unused", console);
    return options.cutoff;
}

} // namespace

TEST(NormalQuantile, MatchesTheWorkedCutoffs)
{
    const double sd = std::sqrt(8.0 / 3.0);
    EXPECT_EQ(eightDigits(quantile(0.2, 0.8, 12.0, sd)), "10.625638");
    EXPECT_EQ(eightDigits(quantile(0.8, 0.2, 12.0, sd)), "13.374362");
    EXPECT_EQ(eightDigits(quantile(0.2, 0.8, 0.0, 1.0)), "-0.84162123");
    EXPECT_NEAR(quantile(0.5, 0.5, 12.0, sd), 12.0, 1e-9);
}

TEST(NormalQuantile, InvertsTheNormalIntegralInBothTails)
{
    for (double p : {1e-300, 1e-20, 1e-5, 0.01, 0.3, 0.45}) {
        const double z = quantile(p, 1.0 - p, 0.0, 1.0);
        EXPECT_NEAR(cumulativeNormal(z).first / p, 1.0, 1e-12) << p;
        EXPECT_EQ(quantile(1.0 - p, p, 0.0, 1.0), -z) << p;
    }
}

TEST(NormalQuantile, ComputesNothingOutsideItsDomain)
{
    double result = 42.0;
    EXPECT_FALSE(normalQuantile(0.0, 1.0, 0.0, 1.0, result));
    EXPECT_FALSE(normalQuantile(1.0, 0.0, 0.0, 1.0, result));
    EXPECT_FALSE(normalQuantile(-0.2, 1.2, 0.0, 1.0, result));
    EXPECT_FALSE(normalQuantile(1.2, -0.2, 0.0, 1.0, result));
    EXPECT_FALSE(normalQuantile(0.3, 0.6, 0.0, 1.0, result));
    EXPECT_FALSE(normalQuantile(0.3, 0.7, 5.0, 0.0, result));
    EXPECT_FALSE(normalQuantile(std::nan(""), 0.7, 5.0, 1.0, result));
    EXPECT_EQ(result, 42.0);
    // P + Q may miss 1 by rounding alone.
    EXPECT_TRUE(normalQuantile(0.1, 0.9 + 0x1p-52, 0.0, 1.0, result));
}

TEST(CumulativeNormal, AgreesWithTheComplementaryErrorFunction)
{
    for (double x = -38.0; x <= 38.0; x += 0.0625 * 1.03) {
        const std::pair<double, double> phi = cumulativeNormal(x);
        // Extended precision, so that the reference does not lose digits in the far tails.
        const long double scaled = static_cast<long double>(x) / std::sqrt(2.0L);
        const auto lower = static_cast<double>(0.5L * std::erfc(-scaled));
        const auto upper = static_cast<double>(0.5L * std::erfc(scaled));
        if (lower > 1e-300) {
            EXPECT_NEAR(phi.first / lower, 1.0, 4e-15) << x;
        }
        if (upper > 1e-300) {
            EXPECT_NEAR(phi.second / upper, 1.0, 4e-15) << x;
        }
    }
    EXPECT_EQ(cumulativeNormal(0.0).first, 0.5);
    EXPECT_EQ(cumulativeNormal(1e-20).second, 0.5);
}

TEST(CumulativeNormal, FlushesTailsBelowTheSmallestNormal)
{
    EXPECT_EQ(cumulativeNormal(-40.0).first, 0.0);
    EXPECT_EQ(cumulativeNormal(-40.0).second, 1.0);
    EXPECT_EQ(cumulativeNormal(40.0).second, 0.0);
    EXPECT_GT(cumulativeNormal(-37.0).first, 0.0);
}

TEST(DeriveCutoff, FitsTheSiteScoresOnTheBetterSide)
{
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites(lexaSites, uniform);
    for (std::int32_t method : {1, 2, 5, 9}) {
        Options options;
        options.writeLogs = false;
        options.methodCode = method;
        RunLog console;
        deriveCutoff(collection, options, uniform, "unused", console);

        double sum = 0.0;
        for (const Site& site : collection.sites)
            sum += site.score;
        const double mean = sum / 5.0;
        double squares = 0.0;
        for (const Site& site : collection.sites)
            squares += (site.score - mean) * (site.score - mean);
        const double sd = std::sqrt(squares / 5.0);
        const double threshold = double(0.8f);
        const double expected = method == 2 ? quantile(threshold, 1.0 - threshold, mean, sd)
                                            : quantile(1.0 - threshold, threshold, mean, sd);
        EXPECT_EQ(options.cutoff, expected) << method;
        if (method == 2)
            EXPECT_GT(options.cutoff, mean);
        else
            EXPECT_LT(options.cutoff, mean);
    }
}

TEST(DeriveCutoff, GivesZeroWithoutAProperFraction)
{
    for (double threshold : {0.0, 1.0, -0.5, 1.5})
        EXPECT_EQ(derivedCutoff(5, threshold), 0.0) << threshold;
}

TEST(DeriveCutoff, HalfThresholdGivesTheMean)
{
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites(lexaSites, uniform);
    Options options;
    options.writeLogs = false;
    options.threshold = 0.5;
    RunLog console;
    deriveCutoff(collection, options, uniform, "unused", console);
    double sum = 0.0;
    for (const Site& site : collection.sites)
        sum += site.score;
    EXPECT_NEAR(options.cutoff, sum / 5.0, 1e-9);
}

TEST(DeriveCutoff, GivesZeroWhenAllSitesScoreAlike)
{
    const Sequence uniform;
    for (const std::vector<std::string>& sites :
         {std::vector<std::string>{"ACGTT"}, std::vector<std::string>{"ACGTT", "ACGTT", "ACGTT"}}) {
        SiteCollection collection = SiteCollection::fromSites(sites, uniform);
        Options options;
        options.writeLogs = false;
        options.cutoff = 3.0;
        RunLog console;
        deriveCutoff(collection, options, uniform, "unused", console);
        EXPECT_EQ(options.cutoff, 0.0);
    }
}

TEST(DeriveCutoff, LiteralCutoffIsTheThresholdAndStillScoresAndLogs)
{
    EXPECT_EQ(derivedCutoff(5, 7.25, true), 7.25);

    TempDir folder;
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites(lexaSites, uniform);
    Options options;
    options.literalCutoff = true;
    options.threshold = -3.5;
    RunLog console;
    deriveCutoff(collection, options, uniform, folder.file("run"), console);
    EXPECT_NE(collection.sites[0].score, 0.0);
    const std::vector<std::string> lines = splitLines(readFile(folder.file("run__motif_score_log.csv")));
    ASSERT_EQ(lines.size(), lexaSites.size() + 5);
    EXPECT_EQ(lines[lines.size() - 3], "Threshold,-3.5");
    EXPECT_EQ(lines.back(), "Cut-off,-3.5");
}

TEST(MotifScoreLog, ListsEverySiteThenThresholdAndCutoff)
{
    TempDir folder;
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites({"AC", "AG"}, uniform);
    Options options;
    options.methodCode = 1;
    RunLog console;
    deriveCutoff(collection, options, uniform, folder.file("ecoli"), console);
    // Both sites score 1.41504, so no cut-off can be fitted.
    EXPECT_EQ(readFile(folder.file("ecoli__motif_score_log.csv")),
              "Motif;Score\nAC,1.41504\nAG,1.41504\n\nThreshold,0.8\n\nCut-off,0\n");
}

TEST(MotifScoreLog, NotWrittenWithoutWriteLogs)
{
    TempDir folder;
    testing_support::writeFile(folder.file("ecoli__motif_score_log.csv"), "old");
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites({"AC", "AG"}, uniform);
    Options options;
    options.writeLogs = false;
    RunLog console;
    deriveCutoff(collection, options, uniform, folder.file("ecoli"), console);
    EXPECT_EQ(readFile(folder.file("ecoli__motif_score_log.csv")), "old");
}

TEST(MotifScoreLog, UnwritableLogIsAnnouncedAndTheCutoffStillSet)
{
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites(lexaSites, uniform);
    Options options;
    RunLog console;
    testing::internal::CaptureStdout();
    deriveCutoff(collection, options, uniform, "no-such-folder/run", console);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "WARNING: could not write no-such-folder/run__motif_score_log.csv\n");
    EXPECT_NE(options.cutoff, 0.0);
}
