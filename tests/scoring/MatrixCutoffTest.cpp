#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "base/RunLog.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "scoring/Cutoff.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreTable.h"
#include "sequences/Sequence.h"
#include "support/TestSupport.h"

namespace {

using Counts = std::vector<std::array<double, 4>>;

// Thirteen sites' counts, so that no tail lands on a round share: six columns
// with letters never seen, few enough windows to be enumerated, or eight of
// four distinct counts each, too many.
SiteCollection matrix(std::size_t length)
{
    const Counts sparse{{9, 1, 2, 1}, {0, 11, 1, 1}, {2, 2, 7, 2}, {4, 0, 0, 9}, {3, 4, 3, 3}, {1, 8, 0, 4}};
    const Counts dense{{5, 1, 3, 4}, {2, 6, 4, 1}, {3, 1, 5, 4}, {4, 2, 1, 6},
                       {3, 5, 4, 1}, {1, 5, 3, 4}, {6, 2, 1, 4}, {1, 3, 5, 4}};
    return SiteCollection::fromCounts(length == 6 ? sparse : dense, Sequence(), "short");
}

// Every window the model draws, best first (oriented), with its probability;
// and the width of a tie, L * 2^-52 * the sum of each column's largest |term|
// of a letter it draws.
struct Window {
    double better, mass;
};
std::vector<Window> modelWindows(const ScoreTable& table, const SiteCollection& motif, ScoreSense sense, double& tie)
{
    const std::uint32_t length = table.windowLength();
    Counts frequency;
    double magnitude = 0.0;
    for (std::uint32_t k = 0; k < length; ++k) {
        const MotifColumn& c = motif.columns[k];
        frequency.push_back({c.freqA, c.freqC, c.freqG, c.freqT});
        double largest = 0.0;
        for (std::size_t a = 0; a < 4; ++a)
            if (frequency[k][a] > 0.0)
                largest = std::max(largest, std::fabs(table.term(k, static_cast<unsigned char>("ACGT"[a]))));
        magnitude += largest;
    }
    tie = length * std::ldexp(magnitude, -52);
    std::vector<Window> windows;
    std::string letters(length, 'A');
    for (std::size_t w = 0; w < (std::size_t(1) << (2 * length)); ++w) {
        double mass = 1.0;
        for (std::uint32_t k = 0; k < length; ++k) {
            letters[k] = "ACGT"[(w >> (2 * k)) & 3];
            mass *= frequency[k][(w >> (2 * k)) & 3];
        }
        if (mass > 0.0)
            windows.push_back({sense.oriented(table.score(letters.data())), mass});
    }
    std::sort(windows.begin(), windows.end(), [](const Window& x, const Window& y) { return x.better > y.better; });
    return windows;
}

// The mass of the windows reaching `better`, ties counted.
double reaching(const std::vector<Window>& windows, double better, double tie)
{
    double mass = 0.0;
    for (std::size_t w = 0; w < windows.size() && windows[w].better >= better - tie; ++w)
        mass += windows[w].mass;
    return mass;
}

} // namespace

TEST(MatrixCutoff, IsTheQuantileOfTheModelsOwnWindowsInEitherSense)
{
    // 5 and 9 higher is better, 2 lower. Six columns: found exactly; eight:
    // at most the passes' tolerance above the share, never short of it.
    for (const std::size_t length : {6, 8}) {
        const SiteCollection motif = matrix(length);
        for (const std::int32_t method : {5, 2, 9}) {
            const ScoreSense sense = ScoreSense::ofMethod(method);
            const ScoreTable table(method, Sequence(), motif);
            double tie = 0.0;
            const std::vector<Window> windows = modelWindows(table, motif, sense, tie);
            for (const double share : {0.03, 0.3, 0.5, 0.8, 0.97}) {
                SCOPED_TRACE(testing::Message() << length << " columns, method " << method << ", share " << share);
                std::size_t best = 0; // the best window score whose windows reaching it hold the share
                while ((best + 1 < windows.size() && windows[best + 1].better == windows[best].better)
                       || reaching(windows, windows[best].better, tie) < share)
                    ++best;
                const double cutoff = sense.oriented(matrixCutoff(table, motif, sense, share));
                if (length == 6 || cutoff == windows[best].better) {
                    EXPECT_EQ(cutoff, windows[best].better);
                    continue;
                }
                const double mass = reaching(windows, cutoff, tie);
                EXPECT_GE(mass, share * (1.0 - 1e-6)); // the passes may sum in single precision
                EXPECT_LE(mass, share + 1.8e-3 * std::min(share, 1.0 - share));
            }
        }
    }
}

TEST(MatrixCutoff, DeriveCutoffTakesAShareOrALiteralCutoffAndLogsNoSites)
{
    SiteCollection motif = matrix(8);
    const auto derive = [&](double threshold, bool literal, const std::string& stem) {
        Options options;
        options.methodCode = 2;
        options.threshold = threshold;
        options.literalCutoff = literal;
        options.writeLogs = !stem.empty();
        RunLog console;
        deriveCutoff(motif, options, Sequence(), stem, console);
        return options.cutoff;
    };
    EXPECT_EQ(derive(-4.5, true, ""), -4.5);
    testing_support::TempDir folder;
    const double cutoff = derive(0.8, false, folder.file("run"));
    EXPECT_EQ(cutoff, matrixCutoff(ScoreTable(2, Sequence(), motif), motif, ScoreSense(true), 0.8));
    std::ostringstream log;
    log << "Motif;Score\n\nThreshold,0.8\n\nCut-off," << cutoff << '\n';
    EXPECT_EQ(testing_support::readFile(folder.file("run__motif_score_log.csv")), log.str());

    setErrorReporting(ErrorReporting::exceptionOnly);
    for (const double threshold : {0.0, 1.0, -0.5, 1.5, double(NAN)})
        EXPECT_THROW(derive(threshold, false, ""), FatalError) << threshold;
    setErrorReporting(ErrorReporting::logAndConsole);
}

TEST(ScoreDistribution, EveryColumnGivenTheBackgroundGivesItsPValuesBitForBit)
{
    const SiteCollection motif = matrix(8);
    const std::array<double, 4> background{0.5, 0.0, 0.3, 0.2};
    for (const std::int32_t method : {5, 2}) {
        const ScoreTable table(method, Sequence(), motif);
        const ScoreSense sense = ScoreSense::ofMethod(method);
        double tie = 0.0;
        std::vector<double> scores; // every window's
        for (const Window& window : modelWindows(table, motif, sense, tie))
            scores.push_back(sense.oriented(window.better));
        const std::vector<PValue> one = ScoreDistribution(table, background, sense).pValues(scores);
        const std::vector<PValue> each = ScoreDistribution(table, Counts(8, background), sense).pValues(scores);
        for (std::size_t i = 0; i < scores.size(); ++i)
            ASSERT_TRUE(one[i].p == each[i].p && one[i].bound == each[i].bound) << scores[i];
    }
}
