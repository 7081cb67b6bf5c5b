#include "results/ScanHits.h"

#include "driver/Threads.h"
#include "options/Options.h"
#include "results/Hit.h"
#include "scoring/IntegrationWindows.h"
#include "sequences/Sequence.h"

namespace {

// From this many hits on, a second thread builds half of them.
constexpr std::size_t parallelHits = 16384;

} // namespace

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
    // A stored hit is the scan's working hit, reset, then given these fields.
    std::vector<Hit> hits(order.size(), Hit(windowLength_));
    inTwoHalves(order.size(), parallelHits, [&](std::size_t begin, std::size_t end) {
        for (std::size_t place = begin; place < end; ++place) {
            const std::size_t from = order[place];
            const ScanHit& record = records_[from];
            Hit& hit = hits[place];
            hit.window.assign(letters_, from * windowLength_, windowLength_);
            hit.position = record.position;
            hit.forward = record.forward;
            hit.score = record.score;
            hit.localMean = record.localMean;
            hit.upMean = record.upMean;
            hit.downMean = record.downMean;
        }
    });
    sequence.hitIndex.clear();
    sequence.hits = std::move(hits);
    *this = ScanHits(windowLength_);
}
