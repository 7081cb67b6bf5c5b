#include "results/HitSignificance.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "options/Options.h"
#include "scan/Complement.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"
#include "sequences/Sequence.h"

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// q of each p in `sorted` (ascending, finite) over m tests: the least
// m p' / rank(p') over every p' >= p, rank counting every p'' <= p'.
std::vector<double> benjaminiHochberg(const std::vector<double>& sorted, double m)
{
    std::vector<double> q(sorted.size());
    double least = 1.0;
    for (std::size_t j = sorted.size(); j > 0;) {
        // Equal p-values share the rank of the last of them.
        const double p = sorted[j - 1];
        least = std::min(least, m * p / static_cast<double>(j));
        while (j > 0 && sorted[j - 1] == p)
            q[--j] = least;
    }
    return q;
}

} // namespace

std::array<double, 4> backgroundProbabilities(const Sequence& sequence)
{
    const double total = sequence.backgroundA + sequence.backgroundC + sequence.backgroundG + sequence.backgroundT;
    return {sequence.backgroundA / total, sequence.backgroundC / total, sequence.backgroundG / total,
            sequence.backgroundT / total};
}

HitSignificance::HitSignificance(const Options& options) : options_(options) {}

void HitSignificance::noteSequence(Sequence& sequence, const ScoreTable& table, const std::vector<double>& twinScores,
                                   std::uint64_t windowsScanned)
{
    const std::array<double, 4> background = backgroundProbabilities(sequence);
    if (batches_.empty() || batches_.back().background != background) {
        const ScoreSense sense = ScoreSense::ofMethod(options_.methodCode);
        batches_.push_back(Batch{background, ScoreDistribution(table, background, sense), {}, {}, {}, 0});
    }
    Batch& batch = batches_.back();
    batch.windowsScanned += windowsScanned;
    std::string letters;
    sequence.hitSignificance.assign(sequence.hits.size(), WindowSignificance());
    for (std::size_t i = 0; i < sequence.hits.size(); ++i) {
        const Hit& hit = sequence.hits[i];
        WindowSignificance& figures = sequence.hitSignificance[i];
        // Under integration the kept score is rescaled: the own one is the table's.
        if (options_.useIntegration) {
            letters.clear();
            appendWindowLetters(letters, sequence.bases, hit);
            figures.ownScore = table.score(letters.data());
        }
        batch.hits.push_back(&figures);
        batch.scores.push_back(options_.useIntegration ? figures.ownScore : hit.score);
    }
    batch.twinScores.insert(batch.twinScores.end(), twinScores.begin(), twinScores.end());
}

RunSignificance HitSignificance::finish()
{
    RunSignificance run;
    run.windowsScanned = windowsScanned();
    const double m = static_cast<double>(run.windowsScanned);

    std::vector<double> ranked; // every finite p, hits' and twins'
    std::size_t windowsAsked = 0;
    for (const Batch& batch : batches_)
        windowsAsked += batch.scores.size() + batch.twinScores.size();
    ranked.reserve(windowsAsked);
    double expectedBeyondCutoff = 0.0;
    for (Batch& batch : batches_) {
        if (!batch.distribution.available()) {
            run.unavailableReason = batch.distribution.unavailableReason();
            expectedBeyondCutoff = notANumber;
            continue;
        }
        // One pass for the hits, the twins and the cut-off, in that order.
        std::vector<double> scores = batch.scores;
        scores.insert(scores.end(), batch.twinScores.begin(), batch.twinScores.end());
        const double beyond = batch.distribution.scoreBeyond(options_.cutoff);
        scores.push_back(beyond);
        std::vector<PValue> values = batch.distribution.pValues(scores);
        const double pBeyond = std::isnan(beyond) ? 0.0 : values.back().p;
        values.pop_back();
        expectedBeyondCutoff += pBeyond * static_cast<double>(batch.windowsScanned);
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!std::isnan(values[i].p))
                ranked.push_back(values[i].p);
            if (i < batch.hits.size()) {
                batch.hits[i]->pValue = values[i].p;
                batch.hits[i]->pValueIsBound = values[i].bound;
                batch.hits[i]->eValue = values[i].p * m;
            }
        }
    }
    run.computed = run.unavailableReason.empty();
    run.cutoffEValue = expectedBeyondCutoff;

    std::sort(ranked.begin(), ranked.end());
    const std::vector<double> q = benjaminiHochberg(ranked, m);
    for (const Batch& batch : batches_) {
        for (WindowSignificance* hit : batch.hits) {
            if (std::isnan(hit->pValue))
                continue;
            hit->qValue = q[static_cast<std::size_t>(std::lower_bound(ranked.begin(), ranked.end(), hit->pValue)
                                                     - ranked.begin())];
        }
    }
    return run;
}

std::uint64_t HitSignificance::windowsScanned() const
{
    std::uint64_t windows = 0;
    for (const Batch& batch : batches_)
        windows += batch.windowsScanned;
    return windows;
}
