#include "results/ScanHits.h"

#include "options/Options.h"
#include "results/Hit.h"
#include "scoring/IntegrationWindows.h"
#include "sequences/Sequence.h"

void ScanHits::reserve(std::size_t count)
{
    records_.reserve(count);
    letters_.reserve(count * windowLength_);
}

void ScanHits::consider(const ScanHit& candidate, const char* letters, const Options& options)
{
    if (!passesCutoff(candidate.score, options.cutoff, lowerIsBetter(options.methodCode)))
        return;
    if (options.mergeStrandPairs) {
        std::size_t partner = StrandPairIndex::none;
        const int outcome = mergeWithTwin(records_, index_, candidate, windowLength_, options.methodCode, partner);
        if (outcome == 1)
            letters_.replace(partner * windowLength_, windowLength_, letters, windowLength_);
        if (outcome != -1)
            return;
    }
    records_.push_back(candidate);
    letters_.append(letters, windowLength_);
}

void ScanHits::applyIntegrationRatio(double globalScoreMean, const Options& options)
{
    for (ScanHit& hit : records_)
        hit.score = integratedScore(hit.score, hit.localMean, hit.upMean, hit.downMean, globalScoreMean,
                                    options.integrationMode);
}

void ScanHits::moveSortedInto(Sequence& sequence, const Options& options)
{
    const std::vector<std::size_t> order = sortedOrder(records_, options);
    std::vector<Hit> hits;
    hits.reserve(order.size());
    for (const std::size_t from : order) {
        const ScanHit& record = records_[from];
        // A stored hit is the scan's working hit: reset, then given these fields.
        Hit& hit = hits.emplace_back(windowLength_);
        hit.window.assign(letters_, from * windowLength_, windowLength_);
        hit.position = record.position;
        hit.forward = record.forward;
        hit.score = record.score;
        hit.localMean = record.localMean;
        hit.upMean = record.upMean;
        hit.downMean = record.downMean;
    }
    sequence.hitIndex.clear();
    sequence.hits = std::move(hits);
    *this = ScanHits(windowLength_);
}
