#include "scoring/Scoring.h"

#include <cmath>
#include <stdexcept>

#include "motif/Background.h"
#include "motif/Log2.h"
#include "motif/SiteCollection.h"
#include "results/Hit.h"
#include "sequences/Sequence.h"

namespace {
// Keeps log2 finite for a base that the window update leaves at 0.
constexpr double logGuard = 1e-100;
// The window update adds single-precision 0.333 to each base of a three-base code.
constexpr double threeBaseShare = double(0.333f);

const MotifColumn& columnAt(const SiteCollection& collection, std::size_t k)
{
    if (k >= collection.columns.size())
        throw std::out_of_range("invalid vector<T> subscript");
    return collection.columns[k];
}

MotifColumn& columnAt(SiteCollection& collection, std::size_t k)
{
    if (k >= collection.columns.size())
        throw std::out_of_range("invalid vector<T> subscript");
    return collection.columns[k];
}

// The corrected probability p = (f + 1/N) / (1 + 4/N): one pseudo-site spread
// over the four bases. Both constants are computed once per scored window.
struct Pseudocounts {
    explicit Pseudocounts(const SiteCollection& collection)
        : siteCount(static_cast<double>(collection.siteCount())),
          inverseN(1.0 / siteCount),
          denominator(1.0 + 4.0 / siteCount)
    {
    }

    double corrected(double frequency) const { return (frequency + inverseN) / denominator; }

    double siteCount;
    double inverseN;
    double denominator;
};

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
    // Always N + 1, whatever weight the letter added.
    const double sites = siteCount + 1.0;
    return {a / sites + logGuard, c / sites + logGuard, g / sites + logGuard, t / sites + logGuard};
}

double rsequenceWithLetter(const MotifColumn& column, unsigned char letter, double siteCount,
                           double aprioriEntropy)
{
    const UpdatedFrequencies f = withWindowLetter(column, letter, siteCount);
    return aprioriEntropy + f.a * log2Bits(f.a) + f.c * log2Bits(f.c) + f.g * log2Bits(f.g) +
           f.t * log2Bits(f.t);
}

double relativeEntropyWithLetter(const MotifColumn& column, unsigned char letter, double siteCount,
                                 const Sequence& sequence)
{
    const UpdatedFrequencies f = withWindowLetter(column, letter, siteCount);
    return f.a * log2Bits(f.a / backgroundProbability(sequence, 'A')) +
           f.c * log2Bits(f.c / backgroundProbability(sequence, 'C')) +
           f.g * log2Bits(f.g / backgroundProbability(sequence, 'G')) +
           f.t * log2Bits(f.t / backgroundProbability(sequence, 'T'));
}

// ln((f(consensus) + 1/N) / (f(letter) + 1/N)): 0 for the consensus letter.
double consensusLogRatio(const SiteCollection& collection, std::size_t k, unsigned char letter,
                         double inverseN)
{
    const auto consensus = static_cast<unsigned char>(columnAt(collection, k).consensus);
    return std::log((baseFrequency(collection, consensus, k) + inverseN) /
                    (baseFrequency(collection, letter, k) + inverseN));
}

// Every method's score: one term per letter, added in window order from 0.
template <typename Term>
double sumTerms(const std::string& window, Term term)
{
    double score = 0.0;
    for (std::size_t k = 0; k < window.size(); ++k)
        score += term(k, static_cast<unsigned char>(window[k]));
    return score;
}
} // namespace

void scoreWindow(std::uint32_t method, Hit& hit, const Sequence& sequence, SiteCollection& collection)
{
    const std::string& window = hit.window;
    const double aprioriEntropy = sequence.aprioriEntropy;
    const Pseudocounts pseudo(collection);
    const auto probability = [&](std::size_t k, unsigned char letter) {
        return pseudo.corrected(baseFrequency(collection, letter, k));
    };

    switch (method) {
    case 1:
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char x) {
            return aprioriEntropy + log2Bits(probability(k, x));
        });
        break;
    case 2:
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char x) {
            return consensusLogRatio(collection, k, x, pseudo.inverseN);
        });
        break;
    case 3:
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char x) {
            return columnAt(collection, k).rsequence * consensusLogRatio(collection, k, x, pseudo.inverseN);
        });
        break;
    case 4:
        updateRsequenceWithWindow(collection, sequence, window);
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char) {
            const MotifColumn& column = columnAt(collection, k);
            return (column.rsequenceWithWindow - column.rsequence) * column.rsequence;
        });
        break;
    case 5:
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char x) {
            return (aprioriEntropy + log2Bits(probability(k, x))) * columnAt(collection, k).rsequence;
        });
        break;
    case 6:
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char x) {
            return baseFrequency(collection, x, k) * columnAt(collection, k).relativeEntropy;
        });
        break;
    case 7:
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char x) {
            return (aprioriEntropy + log2Bits(probability(k, x))) * columnAt(collection, k).relativeEntropy;
        });
        break;
    case 8:
        updateRelativeEntropyWithWindow(collection, sequence, window);
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char) {
            const MotifColumn& column = columnAt(collection, k);
            return (column.relativeEntropyWithWindow - column.relativeEntropy) * column.relativeEntropy;
        });
        break;
    case 9:
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char x) {
            return log2Bits(probability(k, x) / backgroundProbability(sequence, x));
        });
        break;
    case 10:
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char x) {
            const auto consensus = static_cast<unsigned char>(columnAt(collection, k).consensus);
            const double p = probability(k, x);
            return (probability(k, consensus) / p) * log2Bits(p);
        });
        break;
    case 11:
        updateRsequenceWithWindow(collection, sequence, window);
        hit.score = sumTerms(window, [&](std::size_t k, unsigned char) {
            const MotifColumn& column = columnAt(collection, k);
            return column.rsequenceWithWindow - column.rsequence;
        });
        break;
    default:
        hit.score = 0.0;
        break;
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

void updateRsequenceWithWindow(SiteCollection& collection, const Sequence& sequence, const std::string& window)
{
    const double siteCount = static_cast<double>(collection.siteCount());
    for (std::size_t k = 0; k < window.size(); ++k) {
        MotifColumn& column = columnAt(collection, k);
        column.rsequenceWithWindow = rsequenceWithLetter(column, static_cast<unsigned char>(window[k]), siteCount,
                                                         sequence.aprioriEntropy);
    }
}

void updateRelativeEntropyWithWindow(SiteCollection& collection, const Sequence& sequence,
                                     const std::string& window)
{
    const double siteCount = static_cast<double>(collection.siteCount());
    for (std::size_t k = 0; k < window.size(); ++k) {
        MotifColumn& column = columnAt(collection, k);
        column.relativeEntropyWithWindow =
            relativeEntropyWithLetter(column, static_cast<unsigned char>(window[k]), siteCount, sequence);
    }
}
