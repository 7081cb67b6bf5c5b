#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "options/CommandLineSettings.h"
#include "results/SignificanceBound.h"

// What the command line asks for: the three file names of a run, verbatim,
// and the options given among them.
struct RunArguments {
    std::string sequenceFile;
    std::string motifFile;
    std::string optionsFile = "Options.txt";
    bool optionsFileNamed = false; // the third name was given
    CommandLineSettings settings;  // the options file's values given as named options
    bool writeTsv = false;
    bool writeBed = false;
    bool writeGff3 = false;
    bool writeHtml = false;
    bool writeLogo = false;
    bool writeRegulon = false;
    std::uint32_t operonGap = 50; // letters between the genes of one transcription unit, at most
    std::string outputFolder;     // empty: every file beside the sequence file
    // --topology: every sequence circular (as always), every one linear, or
    // each as its file states it, linear where it states nothing.
    enum class TopologyChoice { circular, linear, automatic } topology = TopologyChoice::circular;
    std::string genesFile;    // --genes: a GFF3 file with the genes of a FASTA sequence file
    std::string proteinsFile; // --proteins: the proteins of the CDS read, as protein FASTA; empty: none written
    std::string motifOut;     // --motif-out: "meme", "jaspar" or "transfac"; empty: the model is not written
    // --max-p, --max-e, --max-q: at most one bound per figure, in that order
    // whatever the order given, so that one selection always names its files alike.
    std::vector<SignificanceBound> bounds;
};

// Options start with '-' and may stand anywhere; "--" ends them. The other
// arguments are the file names: two or more give a run (the third, when
// given, names the options file; later ones are ignored). A single "/?", or
// -h/--help or --version anywhere: that text, and no run. Fewer than two
// names: the parameter error, and an unknown or incomplete option its own,
// through reportError.
std::optional<RunArguments> parseArguments(int argc, const char* const* argv);

// Clears the console (only when it is a terminal) and prints the help screen
// of "/?".
void showHelp();
