#pragma once

#include <optional>
#include <string>

// The three file names of a run, verbatim from the command line.
struct RunArguments {
    std::string sequenceFile;
    std::string motifFile;
    std::string optionsFile = "Options.txt";
};

// Three or more arguments: the run's files. A single "/?": the help screen,
// and no run. Anything else: the parameter error through reportError.
std::optional<RunArguments> parseArguments(int argc, const char* const* argv);

// Clears the console (only when it is a terminal) and prints the help screen.
void showHelp();
