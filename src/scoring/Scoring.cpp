#include "scoring/Scoring.h"

#include <cmath>
#include <stdexcept>

#include "motif/Background.h"
#include "motif/Log2.h"
#include "motif/SiteCollection.h"
#include "options/Method.h"
#include "sequences/Sequence.h"

namespace {
// The window update adds single-precision 0.333 to each base of a three-base code.
constexpr double threeBaseShare = double(0.333f);

const MotifColumn& columnAt(const SiteCollection& collection, std::size_t k)
{
    if (k >= collection.columns.size())
        throw std::out_of_range("invalid vector<T> subscript");
    return collection.columns[k];
}

// Column frequencies if the window's letter were one more site (N + 1 sites),
// each with the log guard added.
struct UpdatedFrequencies {
    double a, c, g, t;
};

UpdatedFrequencies withWindowLetter(const MotifColumn& column, unsigned char letter, double siteCount)
{
    double a = column.countA;
    double c = column.countC;
    double g = column.countG;
    double t = column.countT;
    // One base or code per line, as a table.
    // clang-format off
    switch (letter) {
    case 'A': a += 1.0; break;
    case 'C': c += 1.0; break;
    case 'G': g += 1.0; break;
    case 'T': t += 1.0; break;
    case 'K': g += 0.5; t += 0.5; break;
    case 'M': a += 0.5; c += 0.5; break;
    case 'R': a += 0.5; g += 0.5; break;
    case 'S': c += 0.5; g += 0.5; break;
    case 'W': a += 0.5; t += 0.5; break;
    case 'Y': c += 0.5; t += 0.5; break;
    case 'B': c += threeBaseShare; g += threeBaseShare; t += threeBaseShare; break;
    case 'D': a += threeBaseShare; g += threeBaseShare; t += threeBaseShare; break;
    case 'H': a += threeBaseShare; c += threeBaseShare; t += threeBaseShare; break;
    case 'V': a += threeBaseShare; c += threeBaseShare; g += threeBaseShare; break;
    // Any other letter, U and N included, is spread evenly.
    default: a += 0.25; c += 0.25; g += 0.25; t += 0.25; break;
    }
    // clang-format on
    // Always N + 1, whatever weight the letter added.
    const double sites = siteCount + 1.0;
    return {a / sites + logGuard, c / sites + logGuard, g / sites + logGuard, t / sites + logGuard};
}

double rsequenceWithLetter(const MotifColumn& column, unsigned char letter, double siteCount, double aprioriEntropy)
{
    const UpdatedFrequencies f = withWindowLetter(column, letter, siteCount);
    return aprioriEntropy + f.a * log2Bits(f.a) + f.c * log2Bits(f.c) + f.g * log2Bits(f.g) + f.t * log2Bits(f.t);
}

double relativeEntropyWithLetter(const MotifColumn& column, unsigned char letter, double siteCount,
                                 const Sequence& sequence)
{
    const UpdatedFrequencies f = withWindowLetter(column, letter, siteCount);
    return f.a * log2Bits(f.a / backgroundProbability(sequence, 'A'))
         + f.c * log2Bits(f.c / backgroundProbability(sequence, 'C'))
         + f.g * log2Bits(f.g / backgroundProbability(sequence, 'G'))
         + f.t * log2Bits(f.t / backgroundProbability(sequence, 'T'));
}

// ln((f(consensus) + 1/N) / (f(letter) + 1/N)): 0 for the consensus letter.
double consensusLogRatio(const SiteCollection& collection, std::size_t k, unsigned char letter, double inverseN)
{
    const auto consensus = static_cast<unsigned char>(columnAt(collection, k).consensus);
    return std::log((baseFrequency(collection, consensus, k) + inverseN)
                    / (baseFrequency(collection, letter, k) + inverseN));
}
} // namespace

TermInputs::TermInputs(const SiteCollection& collection, const Sequence& sequence)
    : collection(collection),
      sequence(sequence),
      siteCount(collection.siteTotal()),
      inverseN(1.0 / siteCount),
      denominator(1.0 + 4.0 / siteCount)
{
}

double updatedColumnMeasure(std::int32_t method, const TermInputs& inputs, std::size_t k, unsigned char letter)
{
    switch (traitsOf(method).differential) {
    case Differential::Rsequence:
        return rsequenceWithLetter(columnAt(inputs.collection, k), letter, inputs.siteCount,
                                   inputs.sequence.aprioriEntropy);
    case Differential::RelativeEntropy:
        return relativeEntropyWithLetter(columnAt(inputs.collection, k), letter, inputs.siteCount, inputs.sequence);
    case Differential::None: break;
    }
    return 0.0;
}

double letterTerm(std::int32_t method, const TermInputs& inputs, std::size_t k, unsigned char letter,
                  double updatedMeasure)
{
    const SiteCollection& collection = inputs.collection;
    const double aprioriEntropy = inputs.sequence.aprioriEntropy;
    const auto probability = [&](unsigned char x) { return inputs.corrected(baseFrequency(collection, x, k)); };

    switch (static_cast<Method>(method)) {
    case Method::Ri: return aprioriEntropy + log2Bits(probability(letter));
    case Method::BvhHi: return consensusLogRatio(collection, k, letter, inputs.inverseN);
    case Method::RsequenceBvh:
        return columnAt(collection, k).rsequence * consensusLogRatio(collection, k, letter, inputs.inverseN);
    case Method::RsequenceDifferentialRsequence: {
        const MotifColumn& column = columnAt(collection, k);
        return (updatedMeasure - column.rsequence) * column.rsequence;
    }
    case Method::RsequenceRi:
        return (aprioriEntropy + log2Bits(probability(letter))) * columnAt(collection, k).rsequence;
    case Method::PredictRegulon: return baseFrequency(collection, letter, k) * columnAt(collection, k).relativeEntropy;
    case Method::ReRi:
        return (aprioriEntropy + log2Bits(probability(letter))) * columnAt(collection, k).relativeEntropy;
    case Method::DifferentialRe: {
        const MotifColumn& column = columnAt(collection, k);
        return (updatedMeasure - column.relativeEntropy) * column.relativeEntropy;
    }
    case Method::Iseq: return log2Bits(probability(letter) / backgroundProbability(inputs.sequence, letter));
    case Method::VarnoHi: {
        const auto consensus = static_cast<unsigned char>(columnAt(collection, k).consensus);
        const double p = probability(letter);
        return (probability(consensus) / p) * log2Bits(p);
    }
    case Method::DifferentialRsequence: return updatedMeasure - columnAt(collection, k).rsequence;
    default: return 0.0;
    }
}

double baseFrequency(const SiteCollection& collection, unsigned char letter, std::size_t k)
{
    const MotifColumn& column = columnAt(collection, k);
    switch (letter) {
    case 'A': return column.freqA;
    case 'C': return column.freqC;
    case 'G': return column.freqG;
    case 'T':
    case 'U': return column.freqT;
    case 'M': return (column.freqA + column.freqC) * 0.5;
    case 'R': return (column.freqA + column.freqG) * 0.5;
    case 'W': return (column.freqA + column.freqT) * 0.5;
    case 'S': return (column.freqC + column.freqG) * 0.5;
    case 'Y': return (column.freqC + column.freqT) * 0.5;
    case 'K': return (column.freqG + column.freqT) * 0.5;
    case 'V': return (column.freqA + column.freqC + column.freqG) / 3.0;
    case 'H': return (column.freqA + column.freqC + column.freqT) / 3.0;
    case 'D': return (column.freqA + column.freqG + column.freqT) / 3.0;
    case 'B': return (column.freqC + column.freqG + column.freqT) / 3.0;
    default: return 0.25;
    }
}
