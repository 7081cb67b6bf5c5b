#include "support/ReferenceScan.h"

#include <algorithm>
#include <cmath>
#include <deque>

#include "motif/SiteCollection.h"
#include "scoring/ScoreSense.h"
#include "scoring/Scoring.h"

namespace reference {

namespace {

std::string reverseComplement(const std::string& letters)
{
    const std::string from = "ACGTBDHVKMRYSWNXU";
    const std::string to = "TGCAVHDBMKYRSWXNA";
    std::string result;
    for (auto letter = letters.rbegin(); letter != letters.rend(); ++letter) {
        const std::size_t at = from.find(*letter);
        result += at == std::string::npos ? *letter : to[at];
    }
    return result;
}

KeptWindow window(std::uint32_t length, std::uint32_t position, bool forward, double score)
{
    KeptWindow hit(length);
    hit.position = position;
    hit.forward = forward;
    hit.score = score;
    return hit;
}

// One strand's pass over its text extended by `extension` letters.
void scanStrand(const Sequence& sequence, const SiteCollection& collection, const Options& options,
                const IntegrationWindows& geometry, bool forward, Scan& result)
{
    const std::uint32_t length = collection.siteLength;
    const std::size_t strand = sequence.bases.size();
    const std::size_t centre = geometry.centreIndex;
    std::string text = forward ? sequence.bases : reverseComplement(sequence.bases);
    text += text.substr(0, length + (options.useIntegration ? centre : 0));
    result.textLength = text.size();
    // The window at text offset j lies at j on the strand as read, or ends one
    // letter before strand - j on it.
    const auto positionOf = [&](std::size_t offset) {
        const auto place = static_cast<std::uint32_t>(offset % strand);
        return forward ? place : static_cast<std::uint32_t>(strand) - place;
    };
    const auto windowAt = [&](std::size_t offset) {
        return window(length, positionOf(offset), forward,
                      score(options.methodCode, text.substr(offset, length), sequence, collection));
    };
    const std::size_t end = text.size() - length; // the window ending on the last letter is not taken
    if (!options.useIntegration) {
        for (std::size_t offset = 0; offset < end; ++offset)
            keep(result.kept, windowAt(offset), options);
        return;
    }
    // The buffer starts with the W windows around the origin.
    std::deque<KeptWindow> buffer;
    double local = 0.0, up = 0.0, down = 0.0, global = 0.0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(geometry.windowCount); ++i) {
        buffer.push_back(windowAt(strand - centre + i));
        local += buffer.back().score;
        if (geometry.upFirstIndex <= i && i <= geometry.upLastIndex)
            up += buffer.back().score;
        if (geometry.downFirstIndex <= i && i <= geometry.downLastIndex)
            down += buffer.back().score;
    }
    const auto span = static_cast<double>(geometry.windowCount);
    const auto upCount = static_cast<double>(geometry.upCount);
    const auto downCount = static_cast<double>(geometry.downCount);
    local /= span;
    up /= upCount;
    down /= downCount;
    for (std::size_t offset = centre + 1; offset < end; ++offset) {
        KeptWindow candidate = buffer[centre];
        candidate.means = {local, up, down};
        const KeptWindow entering = windowAt(offset);
        local -= buffer.front().score / span;
        up -= buffer[geometry.upFirstIndex].score / upCount;
        down -= buffer[geometry.downFirstIndex].score / downCount;
        buffer.pop_front();
        buffer.push_back(entering);
        local += buffer.back().score / span;
        up += buffer[geometry.upLastIndex].score / upCount;
        down += buffer[geometry.downLastIndex].score / downCount;
        global += entering.score / static_cast<double>(text.size());
        keep(result.kept, candidate, options);
    }
    result.globalMean = global;
}

} // namespace

double score(std::int32_t method, const std::string& window, const Sequence& sequence, const SiteCollection& collection)
{
    const TermInputs inputs(collection, sequence);
    double sum = 0.0;
    for (std::size_t k = 0; k < window.size(); ++k) {
        const auto letter = static_cast<unsigned char>(window[k]);
        sum += letterTerm(method, inputs, k, letter, updatedColumnMeasure(method, inputs, k, letter));
    }
    return sum;
}

std::string windowLetters(const Sequence& sequence, const Hit& hit)
{
    const std::size_t strand = sequence.bases.size();
    std::string text = hit.forward ? sequence.bases : reverseComplement(sequence.bases);
    text += text;
    // The inverse of each strand's positionOf above.
    const std::size_t place = hit.position % strand;
    return text.substr(hit.forward ? place : (strand - place) % strand, hit.windowLength);
}

Scan scan(const Sequence& sequence, const SiteCollection& collection, const Options& options,
          const IntegrationWindows& geometry)
{
    Scan result;
    scanStrand(sequence, collection, options, geometry, true, result);
    scanStrand(sequence, collection, options, geometry, false, result);
    return result;
}

std::vector<KeptWindow> sorted(std::vector<KeptWindow> kept, double globalMean, const Options& options)
{
    if (options.useIntegration)
        for (KeptWindow& hit : kept)
            hit.score = integratedScore(hit.score, hit.means.local, hit.means.up, hit.means.down, globalMean,
                                        options.integrationMode);
    const bool lowerBetter = ScoreSense::ofMethod(options.methodCode).lowerIsBetter();
    std::stable_sort(kept.begin(), kept.end(), [&](const KeptWindow& a, const KeptWindow& b) {
        if (!options.sortByScore)
            return a.position < b.position;
        if (std::isnan(a.score) || std::isnan(b.score))
            return !std::isnan(a.score);
        return lowerBetter ? a.score < b.score : a.score > b.score;
    });
    return kept;
}

} // namespace reference
