#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "motif/SiteCollection.h"
#include "options/Method.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"
#include "sequences/Sequence.h"
#include "support/TestSupport.h"

namespace {

using Background = std::array<double, 4>;

Sequence withBackground(const Background& background)
{
    Sequence sequence;
    sequence.backgroundA = background[0];
    sequence.backgroundC = background[1];
    sequence.backgroundG = background[2];
    sequence.backgroundT = background[3];
    sequence.aprioriEntropy = 0.0;
    for (double p : background)
        sequence.aprioriEntropy -= p > 0.0 ? p * std::log2(p) : 0.0;
    return sequence;
}

// The LexA sites of the examples, cut to `length` columns from `first`.
std::vector<std::string> lexaSites(std::size_t first, std::size_t length)
{
    std::vector<std::string> sites;
    for (const std::string& line :
         testing_support::splitLines(testing_support::readFile(testing_support::sourceFile("examples/lexa_sites.txt"))))
        if (line.size() >= first + length)
            sites.push_back(line.substr(first, length));
    return sites;
}

double relativeError(double p, double exact)
{
    return exact == 0.0 ? p : std::fabs(p - exact) / exact;
}

// Scores within L * 2^-52 * (the sum over the columns of the largest |term|
// of a letter with mass) of each other are mathematically equal but for the
// rounding of their sums: they tie.
double tieWidth(const ScoreTable& table, const Background& background)
{
    double magnitude = 0.0;
    for (std::uint32_t k = 0; k < table.windowLength(); ++k) {
        double largest = 0.0;
        for (std::size_t a = 0; a < 4; ++a)
            if (background[a] > 0.0)
                largest = std::max(largest, std::fabs(table.term(k, static_cast<unsigned char>("ACGT"[a]))));
        magnitude += largest;
    }
    return table.windowLength() * std::ldexp(magnitude, -52);
}

// Scores all 4^L windows and checks the p-value of every distinct score, ties
// counted, and the chance of beating a few of them; returns the least p-value
// checked.
double expectEveryWindow(std::int32_t method, const ScoreTable& table, const Background& background)
{
    const bool lower = ScoreSense::ofMethod(method).lowerIsBetter();
    const ScoreDistribution distribution(table, background, ScoreSense(lower));
    if (!distribution.available()) {
        EXPECT_TRUE(std::isnan(distribution.pValues({0.0}).front().p));
        return 1.0;
    }
    const std::uint32_t length = table.windowLength();
    struct Window {
        double better; // the score, negated when lower is better
        double mass;
    };
    std::vector<Window> windows(std::size_t(1) << (2 * length));
    std::string letters(length, 'A');
    for (std::size_t w = 0; w < windows.size(); ++w) {
        double mass = 1.0;
        for (std::uint32_t k = 0; k < length; ++k) {
            letters[k] = "ACGT"[(w >> (2 * k)) & 3];
            mass *= background[(w >> (2 * k)) & 3];
        }
        const double score = table.score(letters.data());
        windows[w] = {lower ? -score : score, mass};
    }
    std::sort(windows.begin(), windows.end(), [](const Window& a, const Window& b) { return a.better > b.better; });
    const double tie = tieWidth(table, background);
    std::vector<double> scores, tails;
    double tail = 0.0;
    std::size_t counted = 0; // windows[0, counted) tie with or beat the score
    double groupMass = 0.0;  // of the windows scoring the same as windows[w]
    for (std::size_t w = 0; w < windows.size(); ++w) {
        groupMass += windows[w].mass;
        const bool last = w + 1 == windows.size() || windows[w + 1].better != windows[w].better;
        if (!last)
            continue;
        const bool drawn = groupMass > 0.0; // a window of a letter without mass is never drawn
        groupMass = 0.0;
        if (!drawn)
            continue;
        for (; counted < windows.size() && windows[counted].better >= windows[w].better - tie; ++counted)
            tail += windows[counted].mass;
        if (tails.empty() || tail > tails.back()) {
            scores.push_back(lower ? -windows[w].better : windows[w].better);
            tails.push_back(tail);
        }
    }
    const std::vector<PValue> p = distribution.pValues(scores);
    double worst = 0.0;
    for (std::size_t i = 0; i < scores.size(); ++i) {
        EXPECT_GT(p[i].p, 0.0);
        EXPECT_FALSE(p[i].bound);
        worst = std::max(worst, relativeError(p[i].p, tails[i]));
    }
    EXPECT_LT(worst, 1e-3) << scores.size() << " scores";
    // Strictly better than a score is at least as good as the next double,
    // ties of that counted; nothing beats the best window.
    EXPECT_EQ(distribution.pBeyond(scores.front()), 0.0);
    for (std::size_t i = 1; i < scores.size(); i += scores.size() / 5 + 1) {
        const double next = std::nextafter(lower ? -scores[i] : scores[i], HUGE_VAL) - tie;
        double beyond = 0.0;
        for (std::size_t w = 0; w < windows.size() && windows[w].better >= next; ++w)
            beyond += windows[w].mass;
        EXPECT_LT(relativeError(distribution.pBeyond(scores[i]), beyond), 1e-3) << i;
    }

    // Beyond the best window: its probability, flagged.
    const double beyond = scores.front() + (lower ? -1.0 : 1.0);
    const PValue flagged = distribution.pValues({beyond}).front();
    EXPECT_TRUE(flagged.bound);
    EXPECT_LT(relativeError(flagged.p, tails.front()), 1e-12);
    EXPECT_EQ(distribution.pBeyond(beyond), 0.0);
    return tails.front();
}

} // namespace

TEST(ScoreDistribution, MatchesEveryWindowWithEveryMethod)
{
    const std::vector<Background> backgrounds{{0.25, 0.25, 0.25, 0.25}, {0.1, 0.4, 0.4, 0.1}, {0.5, 0.0, 0.3, 0.2}};
    for (const Background& background : backgrounds) {
        const Sequence sequence = withBackground(background);
        const SiteCollection collection = SiteCollection::fromSites(lexaSites(0, 8), sequence);
        // 0 and 12: codes without a method, whose windows all score 0.
        for (std::int32_t method = 0; method <= 12; ++method) {
            SCOPED_TRACE(testing::Message() << "method " << method << ", C " << background[1]);
            const ScoreTable table(method, sequence, collection);
            // Without C the relative entropy of methods 6 to 8 is infinite.
            const bool finite = background[1] > 0.0 || method < 6 || method > 8;
            EXPECT_EQ(ScoreDistribution(table, background, ScoreSense()).unavailableReason(),
                      finite ? "" : "a score term is not finite");
            expectEveryWindow(method, table, background);
        }
    }
}

TEST(ScoreDistribution, MatchesEveryWindowOfTenColumnsDownTo1e12)
{
    // Rare A and T: the best windows of the palindrome's middle are near 1e-12.
    const Background background{0.04, 0.46, 0.46, 0.04};
    const Sequence sequence = withBackground(background);
    const SiteCollection collection = SiteCollection::fromSites(lexaSites(5, 10), sequence);
    for (std::int32_t method : {3, 5}) {
        SCOPED_TRACE(method);
        EXPECT_LT(expectEveryWindow(method, ScoreTable(method, sequence, collection), background), 1e-11);
    }
}

// The reverse complement of every LexA box, cut to `length` columns, next to
// the box: each window then scores what its reverse complement does, but with
// the terms summed in the opposite order.
std::vector<std::string> palindromicLexaSites(std::size_t length)
{
    std::vector<std::string> sites = lexaSites(5, length);
    const std::size_t forward = sites.size();
    for (std::size_t i = 0; i < forward; ++i) {
        std::string reverse(sites[i].rbegin(), sites[i].rend());
        for (char& letter : reverse)
            letter = "TGCA"[std::string("ACGT").find(letter)];
        sites.push_back(reverse);
    }
    return sites;
}

TEST(ScoreDistribution, CountsTheWindowsThatTieWhateverTheLastBitsOfTheirSums)
{
    const Background background{0.25, 0.25, 0.25, 0.25};
    const Sequence sequence = withBackground(background);
    const SiteCollection collection = SiteCollection::fromSites(palindromicLexaSites(10), sequence);
    const ScoreTable table(5, sequence, collection);
    const ScoreDistribution distribution(table, background, ScoreSense());
    // The best score whose window and reverse complement differ in the last
    // bits, and every window's score.
    std::vector<double> scores(std::size_t(1) << 20);
    double tied = -HUGE_VAL, other = 0.0;
    std::string window(10, 'A'), reverse(10, 'A');
    for (std::size_t w = 0; w < scores.size(); ++w) {
        for (std::size_t k = 0; k < 10; ++k) {
            window[k] = "ACGT"[(w >> (2 * k)) & 3];
            reverse[9 - k] = "TGCA"[(w >> (2 * k)) & 3];
        }
        scores[w] = table.score(window.data());
        const double twin = table.score(reverse.data());
        if (scores[w] > twin && scores[w] > tied) {
            tied = scores[w];
            other = twin;
        }
    }
    ASSERT_GT(tied, -HUGE_VAL);
    const double width = tieWidth(table, background);
    ASSERT_LE(tied - other, width);
    const auto share = [&](double from) {
        return static_cast<double>(std::count_if(scores.begin(), scores.end(), [&](double s) { return s >= from; }))
             / static_cast<double>(scores.size());
    };
    ASSERT_GT(share(other), share(tied));
    EXPECT_LT(relativeError(distribution.pValues({tied}).front().p, share(tied - width)), 1e-12);
    EXPECT_LT(relativeError(distribution.pValues({other}).front().p, share(other - width)), 1e-12);
}

TEST(ScoreDistribution, GivesAScoreTheSameDoubleAloneAndInABatch)
{
    // The sequence's background, from the tail that windows enumerate to the
    // middle that the passes settle; asked alone and among a hundred thousand
    // window scores, and those in reverse order.
    const Background background{0.3, 0.2, 0.2, 0.3};
    const Sequence sequence = withBackground(background);
    const SiteCollection collection = SiteCollection::fromSites(lexaSites(0, 20), sequence);
    for (std::int32_t method : {2, 5}) {
        SCOPED_TRACE(method);
        const ScoreTable table(method, sequence, collection);
        const ScoreDistribution distribution(table, background, ScoreSense::ofMethod(method));
        std::mt19937 random(7);
        std::string letters(100'019, 'A');
        for (char& c : letters)
            c = "ACGT"[random() & 3];
        std::vector<double> batch;
        for (std::size_t i = 0; i + 20 <= letters.size(); ++i)
            batch.push_back(table.score(letters.data() + i));
        std::vector<double> asked;
        for (const std::string& site : lexaSites(0, 20))
            asked.push_back(table.score(site.data()));
        asked.insert(asked.end(), batch.begin(), batch.begin() + 20);
        batch.insert(batch.end(), asked.begin(), asked.end());
        const std::vector<PValue> together = distribution.pValues(batch);
        std::reverse(batch.begin(), batch.end());
        const std::vector<PValue> reversed = distribution.pValues(batch);
        for (std::size_t i = 0; i < asked.size(); ++i) {
            const double alone = distribution.pValues({asked[i]}).front().p;
            EXPECT_EQ(alone, together[together.size() - asked.size() + i].p) << asked[i];
            EXPECT_EQ(alone, reversed[asked.size() - 1 - i].p) << asked[i];
        }
    }
}

TEST(ScoreDistribution, CountsWindowsOfALongRandomSequence)
{
    // 20 columns, too many to enumerate: p against the share of windows of
    // ten million random letters that score at least as well.
    const Background background{0.3, 0.2, 0.2, 0.3};
    const Sequence sequence = withBackground(background);
    const SiteCollection collection = SiteCollection::fromSites(lexaSites(0, 20), sequence);
    std::mt19937 random(20240611);
    std::discrete_distribution<int> letter(background.begin(), background.end());
    std::string letters(10'000'000, 'A');
    for (char& c : letters)
        c = "ACGT"[letter(random)];
    for (std::int32_t method : {3, 5}) {
        SCOPED_TRACE(method);
        const bool lower = ScoreSense::ofMethod(method).lowerIsBetter();
        const ScoreTable table(method, sequence, collection);
        std::vector<double> scores(letters.size() - 19);
        for (std::size_t i = 0; i < scores.size(); ++i)
            scores[i] = table.score(letters.data() + i);
        const auto better = [lower](double a, double b) { return lower ? a < b : a > b; };
        // The scores of the 100th, 1000th, ... best windows, and how many score as well.
        std::vector<double> ranked = scores, asked;
        std::vector<std::size_t> counts;
        for (std::size_t rank : {100, 1000, 10000, 100000}) {
            std::nth_element(ranked.begin(), ranked.begin() + rank, ranked.end(), better);
            const double score = ranked[rank];
            asked.push_back(score);
            counts.push_back(static_cast<std::size_t>(
                std::count_if(scores.begin(), scores.end(), [&](double s) { return !better(score, s); })));
        }
        const std::vector<PValue> p = ScoreDistribution(table, background, ScoreSense(lower)).pValues(asked);
        for (std::size_t i = 0; i < asked.size(); ++i) {
            const double expected = p[i].p * static_cast<double>(scores.size());
            // Overlapping windows are not independent: five standard errors.
            EXPECT_NEAR(static_cast<double>(counts[i]), expected, 5.0 * std::sqrt(expected)) << asked[i];
        }
    }
}
