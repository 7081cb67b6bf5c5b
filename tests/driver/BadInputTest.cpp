// Whatever the program is given, it ends with a correct result or a clear
// message: never a crash, a hang or a results file from a failed run. Each
// case runs the built program on files made in a fresh folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

const std::vector<std::string> defaultValues = {"1", "5", "0",    "0.8", "350", "100", "0",   "1",
                                                "0", "0", "-500", "-1",  "1",   "500", "1.5", "1"};

// The default options with some values replaced: {position (1-based), text}.
std::vector<std::string> optionsWith(const std::vector<std::pair<int, std::string>>& changes)
{
    std::vector<std::string> values = defaultValues;
    for (const auto& [position, text] : changes)
        values[static_cast<std::size_t>(position - 1)] = text;
    return values;
}

// Twenty random-looking letters: no window of them is close to the sites below.
const std::string filler = "GCTTAGCCAGGTCATTAGGC";
// Three sites of a small palindromic motif; "CTGTATATATATACAG" scores highest.
const std::string sites = "CTGTATATATATACAG\nCTGTATAAAAATACAG\nCTGTATATAAATACAG\n";

std::string fastaOf(const std::string& name, const std::string& bases)
{
    return ">" + name + "\n" + bases + "\n";
}

// A folder holding the three input files of one run.
struct Case {
    TempDir folder;
    RunResult result;

    void write(const std::string& name, const std::string& content) const { writeFile(folder.file(name), content); }
    void writeOptions(const std::vector<std::string>& values) const
    {
        writeOptionsFile(folder.file("Options.txt"), values);
    }
    void run(const std::vector<std::string>& arguments) { result = runVarno(folder.path(), arguments); }

    // Results files: every ".csv" but the diagnostic logs, and a results
    // file's temporary (its name followed by '.' and six characters).
    std::vector<std::string> resultsFiles() const
    {
        std::vector<std::string> found;
        for (const std::string& name : listFiles(folder.path())) {
            const auto endsWith = [&name](const std::string& suffix) {
                return name.size() >= suffix.size()
                    && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
            };
            if ((endsWith(".csv") || name.find(".csv.") != std::string::npos) && !endsWith("_freq_table.csv")
                && !endsWith("__motif_score_log.csv") && !endsWith("_gene_log.csv"))
                found.push_back(name);
        }
        return found;
    }

    std::string readResults(const std::string& name) const { return readFile(folder.file(name)); }

    // A fatal error: its lines end the console output and are all of
    // VarnoLog.txt; exit status 1; no results file.
    void expectError(const std::vector<std::string>& lines) const
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        EXPECT_EQ(result.exitStatus, 1);
        ASSERT_GE(result.output.size(), text.size());
        EXPECT_EQ(result.output.substr(result.output.size() - text.size()), text);
        ASSERT_TRUE(fileExists(folder.file("VarnoLog.txt")));
        EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), text);
        EXPECT_TRUE(resultsFiles().empty());
        EXPECT_EQ(result.errors, "");
    }

    // A successful run: exit status 0, no error log, the one results file named.
    void expectSuccess(const std::string& resultsName) const
    {
        EXPECT_EQ(result.exitStatus, 0) << result.output;
        EXPECT_FALSE(fileExists(folder.file("VarnoLog.txt")));
        EXPECT_EQ(resultsFiles(), std::vector<std::string>{resultsName});
        EXPECT_EQ(result.errors, "");
    }
};

// The lines of a results file that hold a hit.
std::vector<std::string> hitRows(const std::string& results)
{
    std::vector<std::string> rows;
    bool inTable = false;
    for (const std::string& line : splitLines(results)) {
        if (line.rfind("Score,", 0) == 0)
            inTable = true;
        else if (line.empty() || line.rfind("Sequence,", 0) == 0)
            inTable = false;
        else if (inTable)
            rows.push_back(line);
    }
    return rows;
}

} // namespace

TEST(BadInput, EmptySequenceFilesAreRejected)
{
    for (const auto& [file, error] :
         {std::pair<const char*, const char*>{"genome.fas", "Incorrect FASTA file: genome.fas"},
          {"genome.gb", "Invalid format for GenBank file. No LOCUS definition!"},
          {"genome.embl", "Invalid format for EMBL file. No ID line!"}}) {
        Case empty;
        empty.write(file, "");
        empty.write("sites.txt", sites);
        empty.run({file, "sites.txt"});
        empty.expectError({error});
    }

    // A GFF3 sequence file needs its sequences; a partial mark is no coordinate.
    Case gff3;
    gff3.write("genome.gff", "seq1\tx\tCDS\t<1\t90\t.\t+\t0\tID=a\n##FASTA\n>seq1\n" + filler + "\n");
    gff3.write("sites.txt", sites);
    gff3.run({"genome.gff", "sites.txt"});
    gff3.expectError({"Incorrect GFF3 file genome.gff, line 1: the start \"<1\" is not a whole number",
                      "Coordinates of GFF3 carry no partial marks such as < or >."});
}

TEST(BadInput, EmptyMotifFilesAreRejected)
{
    for (const std::string motif : {"sites.txt", "sites.fas"}) {
        Case run;
        run.write("genome.fas", fastaOf("one", filler));
        run.write(motif, "");
        run.run({"genome.fas", motif});
        run.expectError({"No sites read. Please check motif file!"});
    }
}

// A protein file that cannot be written is an error naming it; a FASTA
// genome without --genes has no CDS: its protein file is empty, with a warning.
TEST(BadInput, ProteinFileUnwritableOrOfNoGenes)
{
    Case unwritable;
    unwritable.write("genome.fas", fastaOf("one", filler + "CTGTATATATATACAG" + filler));
    unwritable.write("sites.txt", sites);
    unwritable.run({"--proteins", "missing/p.faa", "genome.fas", "sites.txt"});
    unwritable.expectError({"Protein file could not be written: missing/p.faa"});

    Case noGenes;
    noGenes.write("genome.fas", fastaOf("one", filler + "CTGTATATATATACAG" + filler));
    noGenes.write("sites.txt", sites);
    noGenes.run({"--proteins", "p.faa", "genome.fas", "sites.txt"});
    noGenes.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_EQ(readFile(noGenes.folder.file("p.faa")), "");
    EXPECT_NE(countOf(noGenes.result.output, "WARNING: the FASTA sequence file brings no genes (give them with "
                                             "--genes FILE): the protein file p.faa is empty\n"),
              0u);
}

TEST(BadInput, EmptyOptionsFileRunsOnDefaults)
{
    // Not an error: a file without values is a short file, and a short file
    // means the defaults, with the warning.
    Case run;
    run.write("genome.fas", fastaOf("one", filler + "CTGTATATATATACAG" + filler));
    run.write("sites.txt", sites);
    run.write("empty.txt", "");
    run.run({"genome.fas", "sites.txt", "empty.txt"});
    run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_NE(run.result.output.find("WARNING: options not read or read incorrectly. Running on default options.\n"),
              std::string::npos);
}

TEST(BadInput, DirectoryAsSequenceFile)
{
    for (const std::string name : {"genome.fas", "genome.gb"}) {
        Case run;
        std::filesystem::create_directory(run.folder.file(name));
        run.write("sites.txt", sites);
        run.run({name, "sites.txt"});
        run.expectError({"Incorrect file name: " + name});
    }
}

// A folder is a folder of motif files, whatever its name.
TEST(BadInput, EmptyFolderAsMotifFile)
{
    for (const std::string name : {"sites.txt", "sites.fas"}) {
        Case run;
        run.write("genome.fas", fastaOf("one", filler));
        std::filesystem::create_directory(run.folder.file(name));
        run.run({"genome.fas", name});
        run.expectError({"ERROR: The motif folder holds no motif file (sites as .txt or FASTA, or matrices as .tf, "
                         ".transfac, .dat, .jaspar, .pfm or .meme): "
                         + name});
    }
}

TEST(BadInput, DirectoryAsOptionsFileRunsOnDefaults)
{
    // Like a missing options file: announced, then the defaults apply.
    Case run;
    run.write("genome.fas", fastaOf("one", filler));
    run.write("sites.txt", sites);
    std::filesystem::create_directory(run.folder.file("Options.txt"));
    run.run({"genome.fas", "sites.txt"});
    run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_NE(run.result.output.find("Reading options...\nOptions file could not be opened\n"), std::string::npos);
}

TEST(BadInput, UnreadableFiles)
{
    Case sequence;
    sequence.write("genome.fas", fastaOf("one", filler));
    sequence.write("sites.txt", sites);
    std::filesystem::permissions(sequence.folder.file("genome.fas"), std::filesystem::perms::none);
    sequence.run({"genome.fas", "sites.txt"});
    sequence.expectError({"Incorrect file name: genome.fas"});

    Case motif;
    motif.write("genome.fas", fastaOf("one", filler));
    motif.write("sites.txt", sites);
    std::filesystem::permissions(motif.folder.file("sites.txt"), std::filesystem::perms::none);
    motif.run({"genome.fas", "sites.txt"});
    motif.expectError({"Incorrect file name: sites.txt"});

    Case options;
    options.write("genome.fas", fastaOf("one", filler));
    options.write("sites.txt", sites);
    options.writeOptions(defaultValues);
    std::filesystem::permissions(options.folder.file("Options.txt"), std::filesystem::perms::none);
    options.run({"genome.fas", "sites.txt"});
    options.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_NE(options.result.output.find("Options file could not be opened\n"), std::string::npos);
}

TEST(BadInput, BinaryFilesWithNulBytes)
{
    // The start of an executable: NUL bytes, line feeds, no header, no LOCUS.
    const char header[] = "\x7f"
                          "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\n\x03\0>\0\x01\0\0\0\x10\x10\n\0\0\0";
    const std::string binary(header, sizeof header - 1);
    for (const std::string name : {"genome.fas", "genome.gb"}) {
        Case run;
        run.write(name, binary);
        run.write("sites.txt", sites);
        run.run({name, "sites.txt"});
        run.expectError({name == "genome.fas" ? "Incorrect FASTA file: genome.fas"
                                              : "Invalid format for GenBank file. No LOCUS definition!"});
    }

    Case motif;
    motif.write("genome.fas", fastaOf("one", filler));
    motif.write("sites.txt", binary);
    motif.run({"genome.fas", "sites.txt"});
    motif.expectError({"Incorrect collection file! - Different site lengths"});
}

TEST(BadInput, NulBytesInsideSequenceTextAreKeptAsLetters)
{
    // Readers filter nothing: a NUL is one more byte of the sequence, which
    // the model counts for nothing and the scan scores as unknown.
    Case run;
    const std::string bases = filler + std::string(3, '\0') + "CTGTATATATATACAG" + filler;
    run.write("genome.fas", fastaOf("nul", bases));
    run.write("sites.txt", sites);
    run.run({"genome.fas", "sites.txt"});
    run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_EQ(readFile(run.folder.file("genome_seq_log.txt")), ">nul\n" + bases + "\n\n");
    EXPECT_FALSE(hitRows(run.readResults("genome_Rsequence_Ri_0.800.csv")).empty());
}

namespace {

// A small GenBank record: one forward gene at 30..80 and 300 bases.
std::string genBankHead(const std::string& cdsLines)
{
    return "LOCUS       TESTSEQ                  300 bp    DNA     circular BCT 01-JAN-2000\n"
           "DEFINITION  Test record.\n"
           "FEATURES             Location/Qualifiers\n"
           "     gene            30..80\n"
           "     CDS             30..80\n"
           "                     /gene=\"abcA\"\n"
           "                     /locus_tag=\"T0001\"\n"
           "                     /product=\"first protein\"\n"
         + cdsLines;
}

std::string originLines()
{
    std::string text = "ORIGIN\n";
    const std::string block = "gctagccagg";
    for (int line = 0; line < 5; ++line) {
        text += "      " + std::to_string(line * 60 + 1);
        for (int b = 0; b < 6; ++b)
            text += " " + block;
        text += "\n";
    }
    return text + "//\n";
}

} // namespace

TEST(BadInput, GenBankCutInsideFeatureTable)
{
    Case run;
    const std::string whole = genBankHead("") + originLines();
    run.write("genome.gb", whole.substr(0, whole.find("/locus_tag=") + 5));
    run.write("sites.txt", sites);
    run.run({"genome.gb", "sites.txt"});
    run.expectError({"No sequence read. Please check GenBank file!"});
}

TEST(BadInput, GenBankCutRightAfterOrigin)
{
    Case run;
    const std::string whole = genBankHead("") + originLines();
    run.write("genome.gb", whole.substr(0, whole.find("ORIGIN") + 7));
    run.write("sites.txt", sites);
    run.run({"genome.gb", "sites.txt"});
    run.expectError({"No sequence read. Please check GenBank file!"});
}

TEST(BadInput, GenBankCutInsideOriginKeepsTheBasesRead)
{
    // A file cut inside its sequence cannot be told from a shorter record:
    // the bases up to the cut are the sequence, and the run goes on.
    Case run;
    const std::string whole = genBankHead("") + originLines();
    const std::string::size_type cut = whole.find("      61 ") + 9 + 27; // 2.5 blocks into line 2
    run.write("genome.gb", whole.substr(0, cut));
    run.write("sites.txt", sites);
    run.run({"genome.gb", "sites.txt"});
    run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    std::string bases;
    for (int b = 0; b < 8; ++b)
        bases += "GCTAGCCAGG";
    bases += "GCTAG"; // the half block before the cut
    EXPECT_EQ(readFile(run.folder.file("genome_seq_log.txt")),
              ">Test record.\n" + bases.substr(0, 70) + "\n" + bases.substr(70) + "\n\n");
}

TEST(BadInput, CdsCoordinatesBeyondTheSequenceAndAbove32Bits)
{
    // Coordinates beyond the sequence are kept as read (the gene context
    // measures distances to them); numbers above 32 bits are unreadable and
    // give zero coordinates.
    Case run;
    run.write("genome.gb", genBankHead("     CDS             5000000..5000900\n"
                                       "                     /locus_tag=\"T0002\"\n"
                                       "     CDS             complement(4294967296..4294967300)\n"
                                       "                     /locus_tag=\"T0003\"\n"
                                       "     CDS             4294967295..99999999999999999999\n"
                                       "                     /locus_tag=\"T0004\"\n")
                               + originLines());
    run.write("sites.txt", sites);
    run.run({"genome.gb", "sites.txt"});
    run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_EQ(readFile(run.folder.file("genome_gene_log.csv")), "Begin,End,Sense,Locus,Product,Gene\n"
                                                                "30,80,1,T0001,first protein,abcA\n"
                                                                "5000000,5000900,1,T0002,,\n"
                                                                "0,0,0,T0003,,\n"
                                                                "4294967295,0,1,T0004,,\n"
                                                                ";;;;,\n");
}

TEST(BadInput, MegabyteSingleLineFastaIsReadWhole)
{
    // One sequence line of 1 MB: no window of a one-letter site reaches a
    // literal cut-off of 100. The memory such a line takes at 100 MB is
    // measured by bench/single_line.sh.
    constexpr std::size_t lineLength = 1'000'000;
    Case run;
    run.write("big.fas", ">one line\n" + std::string(lineLength, 'A') + "\n");
    run.write("site.txt", "A\nC\n");
    run.writeOptions(optionsWith({{1, "0"}, {2, "1"}, {4, "100"}, {9, "1"}}));
    run.run({"big.fas", "site.txt"});
    run.expectSuccess("big_Ri_100.000.csv");
    EXPECT_TRUE(hitRows(run.readResults("big_Ri_100.000.csv")).empty());
}

TEST(BadInput, RunOutOfMemoryIsAnErrorNamingTheStep)
{
#ifdef VARNO_SANITIZED
    GTEST_SKIP() << "a sanitized binary cannot start under a small address-space limit";
#endif
    // The example genome with a literal cut-off of -4 keeps 608,021 hits.
    // Under 48 MiB of address space the run gets past start-up and reading
    // (about 10 MiB) and fails in the scan or the sort of the hits; the whole
    // run needs some 100 MiB.
    constexpr std::size_t addressSpaceLimit = std::size_t{48} << 20;
    Case run;
    for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt"})
        std::filesystem::copy_file(sourceFile(std::string("examples/") + name), run.folder.file(name));
    run.writeOptions({"1", "5", "0", "-4", "350", "100", "0", "1", "1", "0", "-500", "-1", "1", "500", "1.5", "1"});
    run.write("VarnoLog.txt", "an earlier error\n");
    run.result = runVarno(run.folder.path(), {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"}, {}, addressSpaceLimit);
    run.expectError({"Not enough memory to scan sequence 1."});
}

TEST(BadInput, SequenceOfOnlyNHasNoHits)
{
    // N stands for every base alike, so every window scores the same, far
    // below the sites of a real collection.
    Case run;
    run.write("genome.fas", fastaOf("only N", std::string(200, 'N')));
    run.write("sites.txt", readFile(dataFile("motif/ecoli_LexA.txt")));
    run.run({"genome.fas", "sites.txt"});
    run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_TRUE(hitRows(run.readResults("genome_Rsequence_Ri_0.800.csv")).empty());
}

TEST(BadInput, SequenceOfOnlyGapsAsItsOwnBackground)
{
    // No counted letter: all four background probabilities are 0 and the a
    // priori entropy is 0. Every window is the same, so every window scores
    // alike; the scores stay numbers and the file stays well formed.
    Case run;
    run.write("genome.fas", fastaOf("only gaps", std::string(200, '-')));
    run.write("sites.txt", sites);
    run.writeOptions(optionsWith({{1, "0"}, {3, "1"}}));
    run.run({"genome.fas", "sites.txt"});
    run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    const std::string results = run.readResults("genome_Rsequence_Ri_0.800.csv");
    EXPECT_NE(results.find("A priori H,0.000\n"), std::string::npos);
    EXPECT_EQ(results.find("nan"), std::string::npos);
    const std::vector<std::string> rows = hitRows(results);
    for (const std::string& row : rows)
        EXPECT_EQ(row.substr(0, row.find(',')), rows.front().substr(0, rows.front().find(',')));
}

namespace {

// Every byte value from 0x01 to 0xFF but the line ends.
std::string everyByte()
{
    std::string bytes;
    for (int value = 1; value <= 0xFF; ++value)
        if (value != '\n' && value != '\r')
            bytes += static_cast<char>(value);
    return bytes;
}

} // namespace

TEST(BadInput, MotifSitesHoldingEveryByteValue)
{
    // One byte per site between fixed letters: the sites are read whole,
    // a to z upper-cased, and every other byte kept.
    std::string list;
    std::string expectedLog;
    int siteNumber = 0;
    for (char byte : everyByte()) {
        list += std::string("CTGT") + byte + "TATATACAG\n";
        const char upper = byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte;
        expectedLog +=
            ">sites collection - Site #" + std::to_string(siteNumber++) + "\n" + "CTGT" + upper + "TATATACAG\n";
    }
    Case run;
    run.write("genome.fas", fastaOf("one", filler + "CTGTATATATACAG" + filler));
    run.write("sites.txt", list);
    run.run({"genome.fas", "sites.txt"});
    run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_EQ(readFile(run.folder.file("genome_site_collection_log.txt")), expectedLog);
}

TEST(BadInput, MotifSitesOfOnlyUncountedBytes)
{
    // Two sites made of every byte, one reversed: the first position holds
    // 0x01 and 0xFF, neither of which is a base.
    std::string bytes = everyByte();
    const std::string reversed(bytes.rbegin(), bytes.rend());
    Case run;
    run.write("genome.fas", fastaOf("one", filler));
    run.write("sites.txt", bytes + "\n" + reversed + "\n");
    run.run({"genome.fas", "sites.txt"});
    run.expectError({"Incorrect collection file! - No base at site position 1"});
}

namespace {

// A run of the motif over one sequence holding one perfect site, with the
// given options; the sequence is long enough for small integration spans.
struct OptionsCase : Case {
    explicit OptionsCase(const std::vector<std::string>& values)
    {
        write("genome.fas", fastaOf("one", filler + filler + "CTGTATATATATACAG" + filler + filler));
        write("sites.txt", sites);
        writeOptions(values);
        run({"genome.fas", "sites.txt"});
    }
};

} // namespace

TEST(BadInput, ComputedCutoffFromAbsurdThresholds)
{
    // A computed cut-off needs a share strictly between 0 and 1; any other
    // threshold (NaN and the infinities included) gives the cut-off 0. The
    // threshold still names the results file, as the stream prints it.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"nan", "genome_Rsequence_Ri_nan.csv"},     {"inf", "genome_Rsequence_Ri_inf.csv"},
        {"-1e999", "genome_Rsequence_Ri_-inf.csv"}, {"-2.5", "genome_Rsequence_Ri_-2.500.csv"},
        {"7", "genome_Rsequence_Ri_7.000.csv"},
    };
    for (const auto& [threshold, name] : cases) {
        OptionsCase run(optionsWith({{1, "0"}, {4, threshold}}));
        run.expectSuccess(name);
        EXPECT_NE(run.readResults(name).find("Cut-off,+0.000; - Computed\n"), std::string::npos) << threshold;
    }
}

TEST(BadInput, ThresholdTooLargeForAFileNameIsAnError)
{
    // 1e300 in fixed notation is a 301-digit number: no file system takes
    // such a file name, and the run says so instead of ending silently.
    OptionsCase run(optionsWith({{1, "0"}, {4, "1e300"}}));
    const std::string::size_type start = run.result.output.find("Results file could not be written: ");
    ASSERT_NE(start, std::string::npos);
    const std::string line = run.result.output.substr(start, run.result.output.find('\n', start) + 1 - start);
    EXPECT_EQ(line.size(), std::string("Results file could not be written: genome_Rsequence_Ri_").size() + 301
                               + std::string(".000.csv\n").size());
    run.expectError({line.substr(0, line.size() - 1)});
}

TEST(BadInput, LiteralCutoffOfNanOrInfinity)
{
    // NaN never passes a comparison, so a NaN cut-off keeps no hit, and no
    // finite score beats +infinity; -infinity keeps every window.
    OptionsCase nan(optionsWith({{1, "0"}, {4, "nan"}, {9, "1"}}));
    nan.expectSuccess("genome_Rsequence_Ri_nan.csv");
    EXPECT_TRUE(hitRows(nan.readResults("genome_Rsequence_Ri_nan.csv")).empty());
    EXPECT_NE(nan.readResults("genome_Rsequence_Ri_nan.csv").find("Cut-off,+nan; - Literal\n"), std::string::npos);

    OptionsCase infinity(optionsWith({{1, "0"}, {4, "inf"}, {9, "1"}}));
    infinity.expectSuccess("genome_Rsequence_Ri_inf.csv");
    EXPECT_TRUE(hitRows(infinity.readResults("genome_Rsequence_Ri_inf.csv")).empty());

    // Without the strand merge each of the 96 windows is kept on both strands.
    OptionsCase minusInfinity(optionsWith({{1, "0"}, {4, "-inf"}, {8, "0"}, {9, "1"}}));
    minusInfinity.expectSuccess("genome_Rsequence_Ri_-inf.csv");
    EXPECT_EQ(hitRows(minusInfinity.readResults("genome_Rsequence_Ri_-inf.csv")).size(), 2u * 96u);
}

TEST(BadInput, AbsurdCutoffFactorsUnderIntegration)
{
    // The factor divides the cut-off as it is, with no guard: NaN keeps no
    // hit, 0 makes the cut-off +infinity (no hit), and 1e999 reads as
    // +infinity and makes it 0.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"nan", "Cut-off,+nan; - Computed\n"},
        {"0", "Cut-off,+inf; - Computed\n"},
        {"1e999", "Cut-off,+0.000; - Computed\n"},
    };
    for (const auto& [factor, cutoffLine] : cases) {
        OptionsCase run(optionsWith({{1, "0"}, {10, "1"}, {11, "-5"}, {12, "-1"}, {13, "1"}, {14, "5"}, {15, factor}}));
        run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
        const std::string results = run.readResults("genome_Rsequence_Ri_0.800.csv");
        EXPECT_NE(results.find(cutoffLine), std::string::npos) << factor;
        if (factor != "1e999") {
            EXPECT_TRUE(hitRows(results).empty()) << factor;
        }
    }
}

TEST(BadInput, HugeAndNegativeMethodCodes)
{
    // Integers beyond 32 bits clamp to the nearest end; a method outside 1..11
    // could only give a file of no hits named "???": it is an error.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"99999999999999999999", "2147483647"}, {"-2147483649", "-2147483648"}, {"-7", "-7"}, {"12", "12"}};
    for (const auto& [code, read] : cases) {
        OptionsCase run(optionsWith({{1, "0"}, {2, code}}));
        run.expectError({"ERROR: The options file gives the method " + read + " (value 2); the methods are 1 to 11."});
    }
}

// Mistakes of the options file, the sites and the sequences that the run
// goes on with, each with a warning on the console and in the run log; and
// a vector set the machine does not offer, which stops the run.
TEST(BadInput, DeceivingInputsAreNamedInAWarning)
{
    struct Warned {
        std::vector<std::pair<int, std::string>> options;
        std::string sites;    // as sites.txt, or as sites.fas when it starts with '>'
        std::string sequence; // the letters of genome.fas
        std::string warning;
    };
    const std::string genome = filler + filler + "CTGTATATATATACAG" + filler + filler;
    const std::vector<Warned> cases = {
        {{{4, "0,8"}},
         sites,
         genome,
         "WARNING: options file line 4, value 4: \"0,8\" is not wholly a number; read as 0"},
        {{{2, "5x"}}, sites, genome, "WARNING: options file line 2, value 2: \"5x\" is not wholly a number; read as 5"},
        {{{8, ""}}, sites, genome, "WARNING: options file line 8, value 8: \"\" is not wholly a number; read as 0"},
        {{{4, "1.5"}},
         sites,
         genome,
         "WARNING: the threshold 1.5 is not a share above 0 and below 1; the cut-off comes to 0, so every window "
         "scoring better than that passes"},
        {{},
         sites,
         genome,
         "WARNING: the cut-off 34.403466259214 comes from only 3 sites; from fewer than 5 it is unreliable"},
        {{},
         "CTGTATATATATACAG\nCTGTATATATATACAG\nCTGTATATATATACAG\nCTGTATATATATACAG\nCTGTATATATATACAG\n",
         genome,
         "WARNING: the sites all score alike, so the cut-off computed from them comes to 0"},
        {{},
         ">one\nCTGTATAT\nATATACAG\n>two\nCTGTATAA\nAAATACAG\n",
         genome,
         "WARNING: the site file has more than one line under >one; each line is read as a site, but the sites may be "
         "wrapped"},
        {{},
         sites,
         "MKVLAAGIVGLLLASSAQAEEHHHHHHMKVLAAGIVGLLLASSAQAEEHH",
         "WARNING: more than a tenth of the letters of one are not nucleotide codes (is it a protein?); it is scanned "
         "as DNA"},
    };
    for (const Warned& warned : cases) {
        Case run;
        run.write("genome.fas", fastaOf("one", warned.sequence));
        const std::string sitesFile = warned.sites[0] == '>' ? "sites.fas" : "sites.txt";
        run.write(sitesFile, warned.sites);
        std::vector<std::pair<int, std::string>> options = warned.options;
        options.emplace_back(1, "0");
        run.writeOptions(optionsWith(options));
        run.run({"genome.fas", sitesFile});
        EXPECT_EQ(run.result.exitStatus, 0) << run.result.output;
        EXPECT_NE(run.result.output.find(warned.warning + "\n"), std::string::npos) << run.result.output;
        EXPECT_NE(readFile(run.folder.file("genome.log")).find(warned.warning + "\n"), std::string::npos);
    }

    // Several records and the background of the sequence, from the file or named.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"two.fas", "sites.txt"}, {"--background", "sequence", "two.fas", "sites.txt"}}) {
        Case run;
        run.write("two.fas", fastaOf("a", filler) + fastaOf("b", filler));
        run.write("sites.txt", sites);
        run.writeOptions(optionsWith({{1, "0"}, {3, "1"}}));
        run.run(arguments);
        EXPECT_NE(
            run.result.output.find("WARNING: the background from the sequence (options file value 3, --background "
                                   "sequence) takes a file of one record; these 2 records run on the uniform "
                                   "background\n"),
            std::string::npos)
            << run.result.output;
    }

    Case simd;
    simd.write("genome.fas", fastaOf("one", genome));
    simd.write("sites.txt", sites);
    simd.result = runVarno(simd.folder.path(), {"genome.fas", "sites.txt"}, {"VARNO_SIMD=bogus"});
    EXPECT_EQ(simd.result.exitStatus, 1);
    EXPECT_EQ(simd.result.output.rfind("ERROR: VARNO_SIMD=bogus names no instruction set this machine offers; it takes "
                                       "scalar",
                                       0),
              0u)
        << simd.result.output;
    EXPECT_EQ(listFiles(simd.folder.path()), (std::vector<std::string>{"VarnoLog.txt", "genome.fas", "sites.txt"}));
}

TEST(BadInput, IntegrationOffsetsAtThe32BitLimits)
{
    // The span reaches 2^31 windows: far more than the sequence, which is
    // then not scanned, with the warning; the results file still lists it.
    for (const auto& changes : std::vector<std::vector<std::pair<int, std::string>>>{
             {{11, "-2147483648"}},
             {{14, "2147483647"}},
             {{11, "-2147483647"}, {12, "-2147483646"}, {13, "2147483646"}, {14, "2147483647"}}}) {
        std::vector<std::pair<int, std::string>> all = {{1, "0"}, {10, "1"}};
        all.insert(all.end(), changes.begin(), changes.end());
        OptionsCase run(optionsWith(all));
        run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
        EXPECT_NE(run.result.output.find("WARNING: sequence too short for the integration window, not scanned: one\n"),
                  std::string::npos);
        EXPECT_TRUE(hitRows(run.readResults("genome_Rsequence_Ri_0.800.csv")).empty());
    }

    // Without integration the span is still checked, and still fits; the
    // scan is the same as with the default intervals.
    OptionsCase wide(optionsWith({{1, "0"}, {11, "-2147483648"}, {14, "2147483647"}}));
    wide.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    OptionsCase usual(optionsWith({{1, "0"}}));
    EXPECT_EQ(wide.readResults("genome_Rsequence_Ri_0.800.csv"), usual.readResults("genome_Rsequence_Ri_0.800.csv"));
}

TEST(BadInput, IntegrationIntervalsInvertedAtThe32BitLimits)
{
    OptionsCase overlap(optionsWith({{1, "0"}, {11, "-2147483648"}, {12, "2147483647"}}));
    overlap.expectError({"Error: overlapping intervals for integration. Please check Options file!"});

    OptionsCase upstream(optionsWith({{1, "0"}, {11, "-2147483648"}, {12, "-2147483648"}}));
    upstream.expectError({"Error in upstream mean interval. Please check Options file!"});

    OptionsCase downstream(optionsWith({{1, "0"}, {13, "2147483647"}, {14, "-2147483648"}}));
    downstream.expectError({"Error in downstream mean interval. Please check Options file!"});

    OptionsCase single(optionsWith({{1, "0"}, {13, "2147483647"}, {14, "2147483647"}}));
    single.expectError({"Error in downstream mean interval. Please check Options file!"});

    OptionsCase crossing(optionsWith({{1, "0"}, {12, "2147483647"}, {13, "-2147483648"}}));
    crossing.expectError({"Error: overlapping intervals for integration. Please check Options file!"});
}

TEST(BadInput, IntervalsWrittenAsNanInfinityOrExponent)
{
    // Intervals are integers, read by the atoi rules: "nan" and "-inf" read
    // as 0 and "-1e10" as -1, which leaves the upstream interval [0, 0] or
    // [-1, -1]: a single window, too few for a mean.
    OptionsCase words(optionsWith({{1, "0"}, {11, "nan"}, {12, "-inf"}}));
    words.expectError({"Error in upstream mean interval. Please check Options file!"});

    OptionsCase exponent(optionsWith({{1, "0"}, {11, "-1e10"}}));
    exponent.expectError({"Error in upstream mean interval. Please check Options file!"});
}

TEST(BadInput, OperatorExtentsAtThe32BitLimits)
{
    // The operator test is evaluated without overflow: a downstream extent
    // of -2^31 makes no hit an operator, even with an upstream extent of
    // 2^31 - 1 that alone would take in every hit before the gene.
    Case run;
    std::string bases;
    while (bases.size() < 300)
        bases += "GCTAGCCAGG";
    bases.replace(150, 16, "CTGTATATATATACAG");
    std::string origin = "ORIGIN\n";
    for (std::size_t line = 0; line < 5; ++line) {
        origin += "      " + std::to_string(line * 60 + 1);
        for (std::size_t b = 0; b < 6; ++b)
            origin += " " + bases.substr(line * 60 + b * 10, 10);
        origin += "\n";
    }
    run.write("genome.gb", genBankHead("     CDS             200..290\n"
                                       "                     /locus_tag=\"T0002\"\n")
                               + origin + "//\n");
    run.write("sites.txt", sites);
    run.writeOptions(optionsWith({{1, "0"}, {5, "2147483647"}, {6, "-2147483648"}}));
    run.run({"genome.gb", "sites.txt"});
    run.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    const std::vector<std::string> rows = hitRows(run.readResults("genome_Rsequence_Ri_0.800.csv"));
    ASSERT_FALSE(rows.empty());
    for (const std::string& row : rows)
        EXPECT_EQ(row.find(",Operator,"), std::string::npos) << row;
}

TEST(BadInput, SequenceNameOf5000Characters)
{
    // Names are cut to 1024 characters, in FASTA and GenBank alike.
    const std::string name(5000, 'x');
    Case fasta;
    fasta.write("genome.fas", fastaOf(name, filler));
    fasta.write("sites.txt", sites);
    fasta.run({"genome.fas", "sites.txt"});
    fasta.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_NE(fasta.readResults("genome_Rsequence_Ri_0.800.csv").find("Sequence," + name.substr(0, 1024) + "\n"),
              std::string::npos);

    Case genbank;
    std::string record = genBankHead("") + originLines();
    record.replace(record.find("Test record."), 12, name);
    genbank.write("genome.gb", record);
    genbank.write("sites.txt", sites);
    genbank.run({"genome.gb", "sites.txt"});
    genbank.expectSuccess("genome_Rsequence_Ri_0.800.csv");
    EXPECT_NE(genbank.readResults("genome_Rsequence_Ri_0.800.csv").find("Sequence," + name.substr(0, 1024) + "\n"),
              std::string::npos);
}

TEST(BadInput, FileNamesWithSpaces)
{
    Case run;
    run.write("my genome.fas", fastaOf("one", filler + "CTGTATATATATACAG" + filler));
    run.write("my sites.txt", sites);
    writeOptionsFile(run.folder.file("my options.txt"), optionsWith({{2, "1"}}));
    run.run({"my genome.fas", "my sites.txt", "my options.txt"});
    run.expectSuccess("my genome_Ri_0.800.csv");
    EXPECT_TRUE(fileExists(run.folder.file("my genome.log")));
    EXPECT_FALSE(hitRows(run.readResults("my genome_Ri_0.800.csv")).empty());
}

namespace {

// Nested folders whose path, with the trailing '/', is `length` characters long.
std::string deepFolder(const TempDir& root, std::size_t length)
{
    std::string path;
    while (path.size() < length) {
        const std::size_t part = std::min<std::size_t>(200, length - path.size() - 1);
        path += std::string(part, 'd') + "/";
    }
    std::filesystem::create_directories(root.file(path));
    return path;
}

} // namespace

TEST(BadInput, FileNamesOfMoreThan1024Characters)
{
    // Names are searched for their last '.' only up to index 1024, so a name
    // whose only '.' lies beyond it has no extension there: its first three
    // characters are taken instead, and "ddd" is no known extension.
    Case beyond;
    const std::string far = deepFolder(beyond.folder, 1100);
    beyond.write(far + "genome.fas", fastaOf("one", filler));
    beyond.write("sites.txt", sites);
    beyond.run({far + "genome.fas", "sites.txt"});
    beyond.expectError({"Incorrect sequence file extension.", "Type Varno /? for help."});

    Case motif;
    const std::string farMotif = deepFolder(motif.folder, 1100);
    motif.write("genome.fas", fastaOf("one", filler));
    motif.write(farMotif + "sites.txt", sites);
    motif.run({"genome.fas", farMotif + "sites.txt"});
    motif.expectError({"Incorrect motif file extension.", "Type Varno /? for help"});

    // A name of more than 1024 characters whose '.' is still within reach
    // works, and its outputs land beside it.
    Case near;
    const std::string folder = deepFolder(near.folder, 1016);
    const std::string name = folder + "genome.fas";
    ASSERT_GT(name.size(), 1024u);
    near.write(name, fastaOf("one", filler + "CTGTATATATATACAG" + filler));
    near.write("sites.txt", sites);
    writeOptionsFile(near.folder.file(folder + "options.txt"), optionsWith({{1, "0"}}));
    near.run({name, "sites.txt", folder + "options.txt"});
    EXPECT_EQ(near.result.exitStatus, 0) << near.result.output;
    EXPECT_TRUE(fileExists(near.folder.file(folder + "genome_Rsequence_Ri_0.800.csv")));
    EXPECT_TRUE(fileExists(near.folder.file(folder + "genome.log")));
}
