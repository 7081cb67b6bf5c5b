#pragma once

#include <cstdint>
#include <string>

class Options;
class ScoreDistribution;
class SequenceSet;
class SiteCollection;
struct Calibration;
struct RegulonSettings;
struct RunSignificance;
struct SignificanceSelection;

// What the report shows, as the run leaves it: the sequences with their hits
// placed and their figures, the collection scored, the final options.
struct ReportInputs {
    std::string sequenceFile;
    std::string motifFile;
    std::string optionsFile; // where the settings came from: the options file, the command line or both
    bool optionsRead = true; // false: the run fell back on the defaults
    const SequenceSet& set;
    const SiteCollection& collection;
    const Options& options;
    const RunSignificance& significance;
    const SignificanceSelection& selection; // the run's bounds on p, E or q, if any, and their score cut-off
    double sitesCutoff;                     // the cut-off the known sites imply; options.cutoff unless a selection
    const RegulonSettings& regulon;         // as --regulon would write the table
    const ScoreDistribution* chance;        // the run's score distribution by chance; null when there is none
    const Calibration& calibration;
};

// One self-contained HTML page: the run, the motif's logo, the cut-off
// against the known sites and against chance, the hits along each sequence,
// the regulon and a table of the best hits. It needs no network: the
// drawings are inline SVG and a few lines of inline script sort the table.
// Written through an OutputFile; a failed write goes through reportError.
void writeHtmlReport(const ReportInputs& inputs, const std::string& fileName);
