#include "motif/Background.h"

#include "motif/Log2.h"

namespace {
// A three-base code adds single-precision 0.33 (not one third) to each base.
constexpr double threeBaseWeight = double(0.33f);

// p log2 p, with 0 log2 0 = 0 so that a base absent from the sequence adds nothing.
double entropyTerm(double probability)
{
    return probability == 0.0 ? 0.0 : probability * log2Bits(probability);
}
} // namespace

void BaseCounts::add(unsigned char letter)
{
    // One base or code per line, as a table.
    // clang-format off
    switch (letter) {
    case 'A': countA += 1.0; break;
    case 'C': countC += 1.0; break;
    case 'G': countG += 1.0; break;
    case 'T': countT += 1.0; break;
    case 'R': countA += 0.5; countG += 0.5; break;
    case 'Y': countC += 0.5; countT += 0.5; break;
    case 'K': countG += 0.5; countT += 0.5; break;
    case 'M': countA += 0.5; countC += 0.5; break;
    case 'S': countC += 0.5; countG += 0.5; break;
    case 'W': countA += 0.5; countT += 0.5; break;
    case 'B': countC += threeBaseWeight; countG += threeBaseWeight; countT += threeBaseWeight; break;
    case 'D': countA += threeBaseWeight; countG += threeBaseWeight; countT += threeBaseWeight; break;
    case 'H': countA += threeBaseWeight; countC += threeBaseWeight; countT += threeBaseWeight; break;
    case 'V': countA += threeBaseWeight; countC += threeBaseWeight; countG += threeBaseWeight; break;
    case 'N': countA += 0.25; countC += 0.25; countG += 0.25; countT += 0.25; break;
    default: break;
    }
    // clang-format on
}

void computeBackground(Sequence& sequence)
{
    BaseCounts counts;
    for (const char letter : sequence.bases)
        counts.add(static_cast<unsigned char>(letter));

    // The composition stands for both strands, hence the symmetric pairs and
    // the divisor of twice the full length (bytes outside the table included).
    const double divisor = 2.0 * static_cast<double>(sequence.bases.size());
    const double weak = divisor == 0.0 ? 0.0 : (counts.countA + counts.countT) / divisor;
    const double strong = divisor == 0.0 ? 0.0 : (counts.countC + counts.countG) / divisor;
    setBackground(sequence, {weak, strong, strong, weak});
}

void setBackground(Sequence& sequence, const std::array<double, 4>& probabilities)
{
    sequence.backgroundA = probabilities[0];
    sequence.backgroundC = probabilities[1];
    sequence.backgroundG = probabilities[2];
    sequence.backgroundT = probabilities[3];
    const double sum = entropyTerm(sequence.backgroundA) + entropyTerm(sequence.backgroundC)
                     + entropyTerm(sequence.backgroundG) + entropyTerm(sequence.backgroundT);
    // 0.0 - sum rather than -sum: an empty composition must give +0, never -0.
    sequence.aprioriEntropy = 0.0 - sum;
}

double backgroundProbability(const Sequence& sequence, unsigned char letter)
{
    switch (letter) {
    case 'A': return sequence.backgroundA;
    case 'C': return sequence.backgroundC;
    case 'G': return sequence.backgroundG;
    case 'T': return sequence.backgroundT;
    default: return 0.25;
    }
}
