#include "driver/Arguments.h"

#include <unistd.h>

#include <iostream>

#include "base/ErrorReport.h"

std::optional<RunArguments> parseArguments(int argc, const char* const* argv)
{
    if (argc >= 3) {
        RunArguments arguments;
        arguments.sequenceFile = argv[1];
        arguments.motifFile = argv[2];
        if (argc >= 4)
            arguments.optionsFile = argv[3];
        return arguments;
    }
    if (argc == 2 && std::string(argv[1]) == "/?") {
        showHelp();
        return std::nullopt;
    }
    reportError({"ERROR: Incorrect parameter number.",
                 "Must provide sequence, motif (and option file names). Type Varno /? for help."});
}

void showHelp()
{
    // Clearing is for a person at a console; a pipe or a file gets the text alone.
    if (isatty(STDOUT_FILENO))
        std::cout << "\033[2J\033[H";
    const std::string rule(76, '-');
    const char* const lines[] = {
        "VARNO Motif Finder v1.0",
        rule.c_str(),
        "MANDATORY command line arguments:",
        "1 - Sequence file name: name of the FASTA or GENBANK file to be processed",
        "    Must contain name and extension (FAS/FNA for FASTA, GBK/GB for GenBank",
        "2 - Motif file name: name of the bare or mFASTA file to be processed",
        "    Must contain name and extension (TXT for bare files, FAS/FNA for mFASTA)",
        "File names should contain full or relative paths if file not in working folder",
        rule.c_str(),
        "OPTIONAL command line arguments:",
        "3 - Options file name",
        rule.c_str(),
        "All other parameters are set in the options file to be read",
        "Check documentation for these parameters",
        rule.c_str(),
        "Sample command line: calls program with command line arguments",
        "-----|input_file|motif_file|options_file----",
        "varno seq.fas    mot.txt    options.txt",
    };
    for (const char* line : lines)
        std::cout << line << std::endl;
}
