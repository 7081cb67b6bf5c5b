#include "driver/Arguments.h"

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <iostream>
#include <system_error>
#include <vector>

#include "base/ErrorReport.h"

namespace {

// The help of --help, around the named settings.
const char* const helpHead[] = {
    "Usage: varno [OPTION]... SEQUENCE_FILE MOTIF_FILE [OPTIONS_FILE]",
    "Searches DNA for the binding sites of a transcription factor, given a collection of its known sites",
    "or a count matrix.",
    "",
    "Files (extensions in upper or lower case; each file may also be compressed, with .gz after its name):",
    "  SEQUENCE_FILE  the DNA to scan: FASTA (.fas, .fasta, .fna, .fa, .fsa), GenBank (.gb, .gbk, .gbff), EMBL",
    "                 (.embl, .emb) or GFF3 with its sequences after ##FASTA (.gff, .gff3), whose CDS give the",
    "                 genes each hit is placed against (a FASTA file's from --genes)",
    "  MOTIF_FILE     the known sites, all of one length: one per line (.txt), or FASTA as above, each line",
    "                 under a header being one site; or count matrices: TRANSFAC (.tf, .transfac, .dat), JASPAR",
    "                 (.jaspar, .pfm), MEME (.meme); or a folder of such files. Several motifs are scanned in",
    "                 turn over the sequences read once, each one's files named STEM_MOTIF_...; NAME.options.txt",
    "                 beside a motif file gives that motif's settings",
    "  OPTIONS_FILE   the settings file described below (default: Options.txt in the working folder, read only",
    "                 when no setting is named on the command line)",
    "",
    "Settings (each also a value of the options file, which it overrides):",
};

const char* const helpOutputs[] = {
    "",
    "Output and selection (anywhere among the arguments; a file whose name starts with '-' as ./-name or after --):",
    "  --tsv         also write the hits as a tab-separated table (.tsv), with p, E and q values",
    "  --bed         also write the hits as a BED6 track (.bed)",
    "  --gff3        also write the hits as a GFF3 track (.gff3)",
    "  --html        also write a report to open in a browser (.html): logo, cut-off, genome, regulon, hits",
    "  --logo        also write the motif's sequence logo as SVG (STEM_logo.svg)",
    "  --regulon     also write the regulon (_regulon.tsv): the transcription units whose operator has a hit of q <= 0.1",
    "                (or within the run's own bounds below)",
    "  --operon-gap G",
    "                with --regulon: the genes of one unit lie on one strand at most G letters apart (default 50)",
    "  --max-p P     keep the hits of p-value at most P (0 < P <= 1) in place of the threshold's cut-off",
    "  --max-e E     keep the hits of E-value at most E (E > 0), likewise",
    "  --max-q Q     keep the hits of q-value at most Q (0 < Q <= 1), likewise; bounds given together all apply",
    "  --motif-out FORMAT",
    "                also write the motif model as a count matrix (STEM_MOTIF.meme, .jaspar or .transfac):",
    "                FORMAT is meme, jaspar or transfac",
    "  --genes FILE  the genes of a FASTA sequence file: the CDS of a GFF3 file, each on the sequence its first",
    "                column names",
    "  --proteins FILE",
    "                also write the protein of every CDS of the sequence file as protein FASTA (FILE), each named",
    "                SEQID|LOCUSTAG as the hit tables name them: its /translation, else its letters translated",
    "                (/transl_table, else table 11); CDS marked pseudo or with a stop inside left out",
    "  --topology circular|linear|auto",
    "                scan every sequence as circular (default), as linear (no window across its ends), or each",
    "                as its file states it (GenBank LOCUS, EMBL ID, GFF3 Is_circular), linear where it states none",
    "  --outdir DIR  write every file of the run into DIR (created if missing), not beside the sequence file",
    "  -h, --help    show this help and exit",
    "  --version     show the version and exit",
    "",
    "The options file: each value follows a '$' at the start of its line or after free text; a missing file, or",
    "one of fewer than 15 values, gives every setting its default, with a warning (name the settings on the command",
    "line to make sure of them). The values, in order, with their defaults and options:",
    "   1  write the diagnostic logs: 1 yes, 0 no                    1         --logs, --no-logs",
    "   2  scoring method, 1 to 11                                   5         --method",
    "   3  background from the sequence: 1 yes (one record), 0 no    0         --background",
    "   4  threshold: share of the sites expected to pass, or the",
    "      literal cut-off when value 9 is 1                         0.8       --threshold, --cutoff",
    "   5  operator region upstream of a gene start, letters         350       --upstream",
    "   6  operator region downstream of a gene start, letters       100       --downstream",
    "   7  sort each sequence's hits: 1 by score, 0 by position      0         --sort",
    "   8  merge a site seen on both strands: 1 yes, 0 no            1         --merge, --no-merge",
    "   9  value 4 is the literal cut-off: 1 yes, 0 no               0         --cutoff",
    "  10  integration (mean window) mode: 1 on, 0 off               0         --integration",
    "  11  upstream mean interval start, windows                     -500      --upstream-mean",
    "  12  upstream mean interval end, windows                       -1        --upstream-mean",
    "  13  downstream mean interval start, windows                   1         --downstream-mean",
    "  14  downstream mean interval end, windows                     500       --downstream-mean",
    "  15  cut-off factor under integration                          1.5       --cutoff-factor",
    "  16  integration ratio: 1 up/global, 2 up/local, 3 up/down     1         --integration",
};

// The help of the named settings, from their own list: the name and value in
// a column of 14 and two blanks at least, or on a line of their own.
void showSettings()
{
    for (const SettingOption& option : settingOptions()) {
        std::string name = std::string("  ") + option.name;
        if (option.value[0] != '\0')
            name += std::string(" ") + option.value;
        if (name.size() <= 14)
            std::cout << name << std::string(16 - name.size(), ' ') << option.help << '\n';
        else
            std::cout << name << '\n' << std::string(16, ' ') << option.help << '\n';
    }
}

[[noreturn]] void reportBadOption(const std::string& message)
{
    reportError({"ERROR: " + message, "Type varno --help for the options."});
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; moves i
// past a separate value. Missing: the error `missing`.
std::string optionValue(int argc, const char* const* argv, int& i, const std::string& name, const char* missing)
{
    const std::string option = argv[i];
    std::string value;
    if (option == name) {
        if (i + 1 >= argc)
            reportBadOption(missing);
        value = argv[++i];
    } else {
        value = option.substr(name.size() + 1);
    }
    if (value.empty())
        reportBadOption(missing);
    return value;
}

bool isOption(const std::string& option, const std::string& name)
{
    return option == name || option.compare(0, name.size() + 1, name + "=") == 0;
}

// A gap in letters: digits only, 0 or more, within 32 bits.
std::uint32_t gapValue(const std::string& text)
{
    std::uint32_t gap = 0;
    const char* const end = text.data() + text.size();
    const std::from_chars_result read = std::from_chars(text.data(), end, gap);
    if (text[0] < '0' || text[0] > '9' || read.ec != std::errc() || read.ptr != end)
        reportBadOption("Option --operon-gap takes a whole number of letters, 0 or more: " + text);
    return gap;
}

// A bound on a significance figure: a finite number above 0, at most 1 for
// a probability (p, q); an E-value counts windows and may be larger.
double boundValue(const std::string& option, const std::string& text, bool probability)
{
    double value = 0.0;
    const char* const end = text.data() + text.size();
    const std::from_chars_result read = std::from_chars(text.data(), end, value);
    const bool number = read.ec == std::errc() && read.ptr == end && std::isfinite(value);
    if (!number || !(value > 0.0) || (probability && value > 1.0))
        reportBadOption("Option " + option + " takes a number " + (probability ? "above 0 and at most 1" : "above 0")
                        + ": " + text);
    return value;
}

// Sets the bound on one figure; a later one on the same figure replaces it.
void setBound(std::vector<SignificanceBound>& bounds, SignificanceBound::Figure figure, double limit)
{
    auto place = bounds.begin();
    while (place != bounds.end() && place->figure < figure)
        ++place;
    if (place != bounds.end() && place->figure == figure)
        place->limit = limit;
    else
        bounds.insert(place, SignificanceBound{figure, limit});
}

// A named setting of the options file; any other option is unknown.
void takeSetting(int argc, const char* const* argv, int& i, CommandLineSettings& settings)
{
    const std::string option = argv[i];
    const std::string name = option.substr(0, option.find('='));
    if (!CommandLineSettings::names(name))
        reportBadOption("Unknown option: " + option);
    if (!CommandLineSettings::takesValue(name)) {
        if (name != option)
            reportBadOption("Option " + name + " takes no value: " + option);
        settings.set(name, "");
        return;
    }
    settings.set(name, optionValue(argc, argv, i, name, ("Option " + name + " needs a value.").c_str()));
}

// Takes the option at argv[i] into `arguments`; moves i past a separate
// value. False for the options that end the program (help, version).
bool takeOption(int argc, const char* const* argv, int& i, RunArguments& arguments)
{
    const std::string option = argv[i];
    if (option == "-h" || option == "--help") {
        for (const char* line : helpHead)
            std::cout << line << '\n';
        showSettings();
        for (const char* line : helpOutputs)
            std::cout << line << '\n';
        std::cout.flush();
        return false;
    }
    if (option == "--version") {
        std::cout << "varno " << VARNO_VERSION << std::endl;
        return false;
    }
    if (option == "--tsv")
        arguments.writeTsv = true;
    else if (option == "--bed")
        arguments.writeBed = true;
    else if (option == "--gff3")
        arguments.writeGff3 = true;
    else if (option == "--html")
        arguments.writeHtml = true;
    else if (option == "--logo")
        arguments.writeLogo = true;
    else if (option == "--regulon")
        arguments.writeRegulon = true;
    else if (isOption(option, "--operon-gap"))
        arguments.operonGap =
            gapValue(optionValue(argc, argv, i, "--operon-gap", "Option --operon-gap needs a number of letters."));
    else if (isOption(option, "--max-p"))
        setBound(arguments.bounds, SignificanceBound::Figure::pValue,
                 boundValue("--max-p", optionValue(argc, argv, i, "--max-p", "Option --max-p needs a p-value."), true));
    else if (isOption(option, "--max-e"))
        setBound(
            arguments.bounds, SignificanceBound::Figure::eValue,
            boundValue("--max-e", optionValue(argc, argv, i, "--max-e", "Option --max-e needs an E-value."), false));
    else if (isOption(option, "--max-q"))
        setBound(arguments.bounds, SignificanceBound::Figure::qValue,
                 boundValue("--max-q", optionValue(argc, argv, i, "--max-q", "Option --max-q needs a q-value."), true));
    else if (isOption(option, "--motif-out")) {
        arguments.motifOut =
            optionValue(argc, argv, i, "--motif-out", "Option --motif-out needs a format: meme, jaspar or transfac.");
        if (arguments.motifOut != "meme" && arguments.motifOut != "jaspar" && arguments.motifOut != "transfac")
            reportBadOption("Option --motif-out takes meme, jaspar or transfac: " + arguments.motifOut);
    } else if (isOption(option, "--topology")) {
        const std::string value =
            optionValue(argc, argv, i, "--topology", "Option --topology needs circular, linear or auto.");
        if (value == "circular")
            arguments.topology = RunArguments::TopologyChoice::circular;
        else if (value == "linear")
            arguments.topology = RunArguments::TopologyChoice::linear;
        else if (value == "auto")
            arguments.topology = RunArguments::TopologyChoice::automatic;
        else
            reportBadOption("Option --topology takes circular, linear or auto: " + value);
    } else if (isOption(option, "--genes")) {
        arguments.genesFile = optionValue(argc, argv, i, "--genes", "Option --genes needs a GFF3 file name.");
    } else if (isOption(option, "--proteins")) {
        arguments.proteinsFile =
            optionValue(argc, argv, i, "--proteins", "Option --proteins needs a file name for the proteins.");
    } else if (isOption(option, "--outdir"))
        arguments.outputFolder = optionValue(argc, argv, i, "--outdir", "Option --outdir needs a folder name.");
    else
        takeSetting(argc, argv, i, arguments.settings);
    return true;
}

} // namespace

std::optional<RunArguments> parseArguments(int argc, const char* const* argv)
{
    if (argc == 2 && std::strcmp(argv[1], "/?") == 0) {
        showHelp();
        return std::nullopt;
    }
    RunArguments arguments;
    std::vector<std::string> names;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        if (optionsEnded || argv[i][0] != '-')
            names.emplace_back(argv[i]);
        else if (std::strcmp(argv[i], "--") == 0)
            optionsEnded = true;
        else if (!takeOption(argc, argv, i, arguments))
            return std::nullopt;
    }
    if (names.size() < 2)
        reportError({"ERROR: Incorrect parameter number.",
                     "Must provide sequence, motif (and option file names). Type Varno /? for help."});
    arguments.sequenceFile = names[0];
    arguments.motifFile = names[1];
    if (names.size() >= 3) {
        arguments.optionsFile = names[2];
        arguments.optionsFileNamed = true;
    }
    return arguments;
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
