// What varno's p-values rest on, for checking them with another program: the
// score table of the first sequence, the background, and the score and
// p-value of each window asked, set up as a run sets them up.
//
// Usage: pvalues SEQUENCE_FILE SITES_FILE OPTIONS_FILE < windows
// Prints "lower_is_better 0|1", "background pA pC pG pT" (as the p-values
// take it), then one line "term A C G T" per column of the window, then one
// line "p WINDOW SCORE P BOUND" per window read (its letters, 5' to 3' on its
// strand, as the hit tables give them), numbers with 17 significant digits.
// A window scores as the scan scores it, to the last bit, which the hit
// tables' 14 digits do not give; the windows are asked in one batch, as a
// run asks for its hits'.
#include <array>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "base/RunLog.h"
#include "motif/Background.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"
#include "sequences/SequenceSet.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: pvalues SEQUENCE_FILE SITES_FILE OPTIONS_FILE < windows\n");
        return 2;
    }
    RunLog log;
    Options options;
    setDefaults(options, log);
    readOptionsFile(argv[3], log, options);
    SequenceSet set(argv[1]);
    Sequence& reference = set.sequences.front();
    if (options.useSequenceBackground && set.sequences.size() < 2)
        computeBackground(reference);
    const SiteCollection collection(argv[2], reference);
    const ScoreTable table(options.methodCode, reference, collection);

    const double total = reference.backgroundA + reference.backgroundC + reference.backgroundG + reference.backgroundT;
    const std::array<double, 4> background = {reference.backgroundA / total, reference.backgroundC / total,
                                              reference.backgroundG / total, reference.backgroundT / total};
    const ScoreSense sense = ScoreSense::ofMethod(options.methodCode);
    std::printf("lower_is_better %d\n", sense.lowerIsBetter() ? 1 : 0);
    std::printf("background %.17g %.17g %.17g %.17g\n", background[0], background[1], background[2], background[3]);
    for (std::uint32_t k = 0; k < table.windowLength(); ++k)
        std::printf("term %.17g %.17g %.17g %.17g\n", table.term(k, 'A'), table.term(k, 'C'), table.term(k, 'G'),
                    table.term(k, 'T'));

    std::vector<std::string> windows;
    std::vector<double> scores;
    for (std::string window; std::cin >> window;) {
        if (window.size() != table.windowLength()) {
            std::fprintf(stderr, "pvalues: the window %s is not %u letters long\n", window.c_str(),
                         table.windowLength());
            return 1;
        }
        windows.push_back(window);
        scores.push_back(table.score(window.data()));
    }
    const ScoreDistribution distribution(table, background, sense);
    const std::vector<PValue> p = distribution.pValues(scores);
    for (std::size_t i = 0; i < scores.size(); ++i)
        std::printf("p %s %.17g %.17g %d\n", windows[i].c_str(), scores[i], p[i].p, p[i].bound ? 1 : 0);
    return 0;
}
