#pragma once

#include <cstdint>
#include <string>

#include "options/Method.h"

class RunLog;

// The settings of a run. Fields 1..16 are read, in this order, from the
// options file; `cutoff` is the working score cut-off set once the site
// collection is known. A new object already holds the defaults.
class Options {
public:
    bool writeLogs = true;                 // 1
    std::int32_t methodCode = 5;           // 2: scoring method 1..11 (see Method)
    bool useSequenceBackground = false;    // 3
    double threshold = double(0.8f);       // 4: the single-precision 0.8, widened
    std::int32_t operatorUpstream = 350;   // 5
    std::int32_t operatorDownstream = 100; // 6
    bool sortByScore = false;              // 7
    bool mergeStrandPairs = true;          // 8
    bool literalCutoff = false;            // 9
    double cutoff = 0.0;                   // working cut-off; not in the file
    bool useIntegration = false;           // 10
    std::int32_t upstreamMeanStart = -500; // 11
    std::int32_t upstreamMeanEnd = -1;     // 12
    std::int32_t downstreamMeanStart = 1;  // 13
    std::int32_t downstreamMeanEnd = 500;  // 14
    double cutoffFactor = 1.5;             // 15
    std::int32_t integrationMode = 1;      // 16
};

// Logs "Setting options to default..." and stores the defaults of the sixteen
// file-backed fields; `cutoff` is left alone.
void setDefaults(Options& options, RunLog& log);

// Reads the '$'-value options file. True when at least 15 values were read.
bool readOptionsFile(const std::string& fileName, RunLog& log, Options& options);
