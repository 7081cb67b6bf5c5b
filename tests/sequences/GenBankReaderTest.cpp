#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "base/ErrorReport.h"
#include "sequences/FastaReader.h"
#include "sequences/GenBankReader.h"
#include "sequences/SequenceSet.h"
#include "support/TestSupport.h"

using testing_support::dataFile;
using testing_support::readFile;
using testing_support::sourceFile;
using testing_support::ScopedWorkingFolder;
using testing_support::TempDir;

namespace {

const std::string qualifierIndent(21, ' ');

std::string feature(const std::string& key, const std::string& location, const std::vector<std::string>& qualifiers)
{
    std::string text = "     " + key + std::string(16 - key.size(), ' ') + location + "\n";
    for (const std::string& qualifier : qualifiers)
        text += qualifierIndent + qualifier + "\n";
    return text;
}

std::string cds(const std::string& location, const std::vector<std::string>& qualifiers = {})
{
    return feature("CDS", location, qualifiers);
}

// The standard sequence layout: a right-aligned position, then blocks of ten.
std::string originLines(const std::string& letters)
{
    std::string text;
    for (std::size_t line = 0; line < letters.size(); line += 60) {
        const std::string number = std::to_string(line + 1);
        text += std::string(9 - number.size(), ' ') + number;
        for (std::size_t block = line; block < letters.size() && block < line + 60; block += 10)
            text += " " + letters.substr(block, 10);
        text += "\n";
    }
    return text;
}

std::string record(const std::string& features, const std::string& letters = "acgtacgtac")
{
    return "LOCUS       TESTREC     1000 bp    DNA     linear   BCT 01-JAN-2000\n"
           "DEFINITION  A test record, with a comma.\n"
           "FEATURES             Location/Qualifiers\n"
         + feature("source", "1..1000", {"/organism=\"Escherichia coli\""}) + features + "ORIGIN\n"
         + originLines(letters) + "//\n";
}

std::vector<Sequence> readAll(const std::string& text, std::size_t blockSize = TextLines::defaultBlockSize)
{
    std::istringstream input(text);
    TextLines lines(input, blockSize);
    std::vector<Sequence> sequences;
    readGenBankFile(lines, sequences);
    return sequences;
}

// The first record of `text`.
Sequence readText(const std::string& text)
{
    return readAll(text).front();
}

Gene onlyGene(const std::string& features)
{
    const Sequence sequence = readText(record(features));
    EXPECT_EQ(sequence.genes.size(), 1u);
    return sequence.genes.empty() ? Gene() : sequence.genes[0];
}

std::string toWindowsLineEnds(const std::string& text)
{
    std::string converted;
    for (char letter : text) {
        if (letter == '\n')
            converted += '\r';
        converted += letter;
    }
    return converted;
}

// The console text of the fatal error reading `text` must end with; the
// error log must hold the same.
std::string fatalErrorOf(const std::string& text)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    testing::internal::CaptureStdout();
    EXPECT_THROW(readText(text), FatalError);
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(readFile("VarnoLog.txt"), console);
    return console;
}

} // namespace

TEST(GenBankReader, ReadsTheLocusNameAndTheSecondLine)
{
    const Sequence sequence = readText(record(""));
    EXPECT_EQ(sequence.locusName, "TESTREC");
    EXPECT_EQ(sequence.name, "A test record, with a comma.");
    EXPECT_EQ(sequence.bases, "ACGTACGTAC");

    const std::string longDefinition(1500, 'x');
    const Sequence cut = readText("LOCUS       L\nDEFINITION  " + longDefinition + "\nORIGIN\n 1 a\n");
    EXPECT_EQ(cut.name, longDefinition.substr(0, 1024));
    EXPECT_EQ(cut.locusName, "L");
    EXPECT_EQ(readText("LOCUS\nSOURCE\nORIGIN\n 1 a\n").name, "");
}

TEST(GenBankReader, ReadsForwardAndComplementLocations)
{
    const Sequence sequence = readText(record(cds("190..255") + cds("complement(568..645)")));
    ASSERT_EQ(sequence.genes.size(), 2u);
    EXPECT_EQ(sequence.genes[0].start, 190u);
    EXPECT_EQ(sequence.genes[0].end, 255u);
    EXPECT_TRUE(sequence.genes[0].forward);
    EXPECT_EQ(sequence.genes[1].start, 645u);
    EXPECT_EQ(sequence.genes[1].end, 568u);
    EXPECT_FALSE(sequence.genes[1].forward);
}

TEST(GenBankReader, LeavesUnreadableCoordinatesAtZero)
{
    struct Case {
        std::string location;
        std::uint32_t start;
        std::uint32_t end;
        bool forward;
    };
    const std::vector<Case> cases = {
        {"join(12..20,25..30)", 0, 0, true},
        {"<1..206", 0, 0, true},
        {"1..>206", 1, 0, true},
        {"complement(<5..9)", 0, 0, false},
        {"complement(5..>9)", 0, 5, false},
        {"complement(join(12..20,25..30))", 0, 0, false},
        {"complement(12)", 0, 0, false},
        {"complement 12..20", 0, 0, false},
        {"order(1..5,9..12)", 0, 0, true},
        {"42", 0, 0, true},
        {"+5..9", 0, 0, true},
        {"5..-9", 5, 0, true},
        {"1..4294967295", 1, 4294967295u, true},
        {"1..4294967296", 1, 0, true},
        {"99999999999..5", 0, 0, true},
        {"complement( 568..\t645)", 645, 568, false},
        {" \t7..  9 trailing", 7, 9, true},
    };
    for (const Case& c : cases) {
        const Gene gene = onlyGene(cds(c.location));
        EXPECT_EQ(gene.start, c.start) << c.location;
        EXPECT_EQ(gene.end, c.end) << c.location;
        EXPECT_EQ(gene.forward, c.forward) << c.location;
    }

    const Gene shortLine = onlyGene("     CDS 1..5\n");
    EXPECT_EQ(shortLine.start, 0u);
    EXPECT_EQ(shortLine.end, 0u);
    EXPECT_TRUE(shortLine.forward);
}

TEST(GenBankReader, TakesGenesOnlyFromCdsFeatures)
{
    const Sequence sequence = readText(
        record(feature("gene", "190..255", {"/gene=\"thrL\"", "/locus_tag=\"b0001\""})
               + cds("190..255", {"/gene=\"thrL\"", "/locus_tag=\"b0001\"", "/product=\"thr operon leader peptide\""})
               + feature("misc_feature", "300..400", {"/note=\"CDS nearby\""})));
    ASSERT_EQ(sequence.genes.size(), 1u);
    const Gene& gene = sequence.genes[0];
    EXPECT_EQ(gene.start, 190u);
    EXPECT_EQ(gene.geneName, "thrL");
    EXPECT_EQ(gene.locusTag, "b0001");
    EXPECT_EQ(gene.product, "thr operon leader peptide");
}

TEST(GenBankReader, KeepsThousandsOfGenesInFileOrder)
{
    std::string features;
    for (int i = 1; i <= 4000; ++i)
        features +=
            cds(std::to_string(i) + ".." + std::to_string(i + 10), {"/locus_tag=\"t" + std::to_string(i) + "\""});
    const Sequence sequence = readText(record(features));
    ASSERT_EQ(sequence.genes.size(), 4000u);
    EXPECT_EQ(sequence.genes.capacity(), 4000u);
    for (std::uint32_t i = 0; i < 4000; ++i) {
        ASSERT_EQ(sequence.genes[i].start, i + 1);
        ASSERT_EQ(sequence.genes[i].locusTag, "t" + std::to_string(i + 1));
    }
}

TEST(GenBankReader, SearchesTheQualifiersInTheirOrder)
{
    const Gene noName = onlyGene(cds("1..9", {"/locus_tag=\"b0002\"", "/product=\"aspartokinase\""}));
    EXPECT_EQ(noName.geneName, "");
    EXPECT_EQ(noName.locusTag, "b0002");
    EXPECT_EQ(noName.product, "aspartokinase");

    // /gene= is looked for on the first two qualifier lines only.
    const Gene second = onlyGene(cds("1..9", {"/note=\"x\"", "/gene=\"abc\"", "/product=\"p\""}));
    EXPECT_EQ(second.geneName, "abc");
    const Gene third =
        onlyGene(cds("1..9", {"/note=\"x\"", "/note=\"y\"", "/gene=\"abc\"", "/locus_tag=\"t\"", "/product=\"p\""}));
    EXPECT_EQ(third.geneName, "");
    EXPECT_EQ(third.locusTag, "t");
    EXPECT_EQ(third.product, "p");

    // A /product= before the /locus_tag= stops the search for the tag.
    const Gene late = onlyGene(cds("1..9", {"/gene=\"g\"", "/product=\"p\"", "/locus_tag=\"t\""}));
    EXPECT_EQ(late.geneName, "g");
    EXPECT_EQ(late.locusTag, "");
    EXPECT_EQ(late.product, "p");
}

TEST(GenBankReader, StopsQualifierSearchesAtTheNextCds)
{
    const Sequence sequence = readText(
        record(cds("1..9") + cds("complement(20..30)", {"/gene=\"b\"", "/locus_tag=\"t2\"", "/product=\"p2\""})));
    ASSERT_EQ(sequence.genes.size(), 2u);
    EXPECT_EQ(sequence.genes[0].geneName, "");
    EXPECT_EQ(sequence.genes[0].locusTag, "");
    EXPECT_EQ(sequence.genes[0].product, "");
    EXPECT_EQ(sequence.genes[1].start, 30u);
    EXPECT_EQ(sequence.genes[1].geneName, "b");
    EXPECT_EQ(sequence.genes[1].locusTag, "t2");
    EXPECT_EQ(sequence.genes[1].product, "p2");

    // The last CDS's searches stop at ORIGIN without taking a sequence line.
    const Gene last = onlyGene(cds("1..9", {"/note=\"n\""}));
    EXPECT_EQ(last.product, "");
}

TEST(GenBankReader, TakesQualifierValuesFromTheirFirstLine)
{
    const Gene gene = onlyGene(cds("1..9", {"/gene=bare", "/locus_tag=\"open", "/product=\"bifunctional aspartokinase,",
                                            "homoserine dehydrogenase, 1\""}));
    EXPECT_EQ(gene.geneName, qualifierIndent + "/gene=bare");
    EXPECT_EQ(gene.locusTag, "open");
    EXPECT_EQ(gene.product, "bifunctional aspartokinase.");
}

TEST(GenBankReader, ReplacesCommasInGeneTexts)
{
    const Gene gene = onlyGene(cds("1..9", {"/gene=\"a,b\"", "/locus_tag=\"c,d\"", "/product=\"e, f, g\""}));
    EXPECT_EQ(gene.geneName, "a.b");
    EXPECT_EQ(gene.locusTag, "c.d");
    EXPECT_EQ(gene.product, "e. f. g");
}

// The results file keeps the first line, the other outputs get the whole
// value: NCBI breaks long words after a hyphen or a digit's comma.
TEST(GenBankReader, JoinsTheLinesOfWholeValues)
{
    const Sequence sequence = readText(record(
        cds("1..9",
            {"/gene=\"dnaK\"", "/locus_tag=\"b1, 2\"", "/product=\"UDP-N-acetyl--2,  ", "6-diamino (3)-", "hydroxy 1-",
             "amino 2,", "x a--", "b \"\"q\"\" -", "c\" /note=\"n\"", "/translation=\"MQIL", "VVDS\""})
        + cds("20..30", {"/gene=\"g\"", "/product=\"never closed"}) + feature("gene", "40..50", {"/note=\"after\""})));
    ASSERT_EQ(sequence.genes.size(), 2u);
    const Gene& gene = sequence.genes[0];
    EXPECT_EQ(gene.product, "UDP-N-acetyl--2.  ");
    EXPECT_EQ(gene.fullProduct(), "UDP-N-acetyl--2,6-diamino (3)-hydroxy 1-amino 2, x a-- b \"q\" - c");
    EXPECT_EQ(gene.locusTag, "b1. 2");
    EXPECT_EQ(gene.fullLocusTag(), "b1, 2");
    EXPECT_EQ(gene.fullGeneName(), "dnaK");
    // A value without its closing quote ends at the next feature key.
    EXPECT_EQ(sequence.genes[1].fullProduct(), "never closed");
}

TEST(GenBankReader, NamesTheSequenceByLocusWithoutAVersion)
{
    const auto idWith = [](const std::string& version) {
        return readText("LOCUS       TESTREC     10 bp    DNA\nDEFINITION  A test\n" + version
                        + "FEATURES             Location/Qualifiers\nORIGIN\n 1 acgt\n//\n")
            .id;
    };
    EXPECT_EQ(idWith("VERSION     NC_1.2\n"), "NC_1.2");
    EXPECT_EQ(idWith("VERSION     .\n"), "TESTREC");
    EXPECT_EQ(idWith("VERSION\n"), "TESTREC");
    EXPECT_EQ(idWith(""), "TESTREC");
}

TEST(GenBankReader, DropsThePositionNumberOfEverySequenceLine)
{
    std::string letters;
    for (int i = 0; i < 6030; ++i)
        letters += "acgtn"[i % 5];
    const Sequence sequence = readText(record(cds("1..6030"), letters));
    std::string expected = letters;
    for (char& letter : expected)
        letter = static_cast<char>(letter - 'a' + 'A');
    EXPECT_EQ(sequence.bases, expected);
    EXPECT_EQ(sequence.bases.capacity(), sequence.bases.size());
}

TEST(GenBankReader, ReadsOnlyTheFirstRecord)
{
    // With a full last line the "//" falls where a position number is expected.
    const std::string full(60, 'a');
    const Sequence first = readText(record(cds("1..60"), full) + record(cds("5..9"), "cccc"));
    EXPECT_EQ(first.bases, std::string(60, 'A'));
    EXPECT_EQ(first.genes.size(), 1u);

    const Sequence partial = readText(record(cds("1..4"), "gggg") + record(cds("5..9"), "cccc"));
    EXPECT_EQ(partial.bases, "GGGG");
    EXPECT_EQ(partial.genes.size(), 1u);
}

TEST(GenBankReader, TakesSixTokensAfterEachDroppedOneAndCutsAtASlash)
{
    EXPECT_EQ(readText("LOCUS       X\nDEF\nORIGIN\n 1 acg/tt ccc\n").bases, "ACG");
    // Line ends are not looked at: a short line shifts the position numbers into the bases.
    EXPECT_EQ(readText("LOCUS       X\nDEF\nORIGIN\n 1 acgt\n 5 tt\n").bases, "ACGT5TT");

    // Nor are columns: a line as long as a full one but with a token less or
    // one more shifts the count too, and so does a short line before a full one.
    const std::string blocks = "aaaaaaaaaa cccccccccc gggggggggg tttttttttt aaaaaaaaaa cccccccccc";
    const std::string letters = "AAAAAAAAAACCCCCCCCCCGGGGGGGGGGTTTTTTTTTTAAAAAAAAAACCCCCCCCCC";
    const auto bases = [](const std::string& lines) { return readText("LOCUS       X\nDEF\nORIGIN\n" + lines).bases; };
    std::string joined = blocks;
    joined[10] = 'x';
    EXPECT_EQ(bases("        1 " + joined + "\n 61 tt\n"), letters.substr(0, 10) + "X" + letters.substr(10) + "61");
    EXPECT_EQ(bases("        1 " + blocks + " t\n 61 tt\n"), letters + "61TT");
    EXPECT_EQ(bases(" 1 tt\n        1 " + blocks + "\n"), "TT1" + letters.substr(0, 40) + letters.substr(50));
}

TEST(GenBankReader, ReadsWindowsLineEndsLikeLineFeeds)
{
    const std::string text =
        record(cds("complement(568..645)", {"/gene=\"g\"", "/locus_tag=\"t\"", "/product=\"p\""}), "acgtacgtacgtacgt");
    const Sequence lineFeeds = readText(text);
    const Sequence windows = readText(toWindowsLineEnds(text));
    EXPECT_EQ(windows.name, lineFeeds.name);
    EXPECT_EQ(windows.locusName, lineFeeds.locusName);
    EXPECT_EQ(windows.bases, lineFeeds.bases);
    ASSERT_EQ(windows.genes.size(), 1u);
    EXPECT_EQ(windows.genes[0].start, 645u);
    EXPECT_EQ(windows.genes[0].end, 568u);
    EXPECT_EQ(windows.genes[0].geneName, "g");
    EXPECT_EQ(windows.genes[0].product, "p");
}

TEST(GenBankReader, SurvivesAbsurdCapacityHints)
{
    const Sequence sequence = readText("LOCUS       HUGE 99999999999999999999 bp\nDEFINITION  x\n"
                                       + cds("1..4294967295") + "ORIGIN\n 1 acgt\n");
    EXPECT_EQ(sequence.bases, "ACGT");
    EXPECT_EQ(sequence.genes.size(), 1u);
    EXPECT_EQ(readText("LOCUS       NEG -5000 bp\nDEFINITION  x\nORIGIN\n 1 acgt\n").bases, "ACGT");
}

TEST(GenBankReader, RequiresALocusLine)
{
    const std::string message = "Invalid format for GenBank file. No LOCUS definition!\n";
    EXPECT_EQ(fatalErrorOf("locus       X 10 bp\nDEFINITION  x\nORIGIN\n 1 acgt\n"), message);
    EXPECT_EQ(fatalErrorOf(""), message);
    EXPECT_EQ(fatalErrorOf("LOCU"), message);
}

TEST(GenBankReader, RequiresBases)
{
    const std::string message = "No sequence read. Please check GenBank file!\n";
    EXPECT_EQ(fatalErrorOf("LOCUS       X\nDEFINITION  x\n" + cds("1..9", {"/gene=\"a\""})), message);
    EXPECT_EQ(fatalErrorOf("LOCUS       X\nDEFINITION  x\nORIGIN\n//\n"), message);
    EXPECT_EQ(fatalErrorOf("LOCUS       X\nDEFINITION  x\nORIGIN\n        1\n"), message);
    EXPECT_EQ(fatalErrorOf("LOCUS       X"), message);
}

TEST(GenBankReader, ReadsARealPlasmid)
{
    const SequenceSet set(dataFile("sequences/NC_005816.gb"));
    const Sequence& sequence = set.sequences[0];
    EXPECT_EQ(sequence.locusName, "NC_005816");
    EXPECT_EQ(sequence.name, "Yersinia pestis biovar Microtus str. 91001 plasmid pPCP1, complete");
    EXPECT_EQ(sequence.fullName(), "Yersinia pestis biovar Microtus str. 91001 plasmid pPCP1, complete sequence.");
    EXPECT_EQ(sequence.bases.size(), 9609u);
    EXPECT_EQ(sequence.bases.substr(0, 20), "TGTAACGAACGGTGCAATAG");
    ASSERT_EQ(sequence.genes.size(), 10u);
    EXPECT_EQ(sequence.genes[0].start, 87u);
    EXPECT_EQ(sequence.genes[0].end, 1109u);
    EXPECT_EQ(sequence.genes[0].locusTag, "YP_pPCP01");
    EXPECT_EQ(sequence.genes[0].geneName, "");
    EXPECT_EQ(sequence.genes[0].product, "putative transposase");
    const Gene& pesticin = sequence.genes[5];
    EXPECT_EQ(pesticin.start, 5888u);
    EXPECT_EQ(pesticin.end, 4815u);
    EXPECT_FALSE(pesticin.forward);
    EXPECT_EQ(pesticin.geneName, "pst");
    EXPECT_EQ(pesticin.locusTag, "YP_pPCP06");
    EXPECT_EQ(pesticin.product, "pesticin");
}

TEST(GenBankReader, ReadsARealFileWithWindowsLineEnds)
{
    const SequenceSet set(dataFile("sequences/pBAD30.gb"));
    const Sequence& sequence = set.sequences[0];
    EXPECT_EQ(sequence.locusName, "pBAD30");
    EXPECT_EQ(sequence.name, "");
    EXPECT_EQ(sequence.bases.size(), 4923u);
    EXPECT_EQ(sequence.bases.find_first_not_of("ACGT"), std::string::npos);
    ASSERT_EQ(sequence.genes.size(), 2u);
    EXPECT_EQ(sequence.genes[0].start, 1960u);
    EXPECT_EQ(sequence.genes[0].end, 1082u);
    EXPECT_EQ(sequence.genes[1].start, 2867u);
    EXPECT_EQ(sequence.genes[1].end, 3730u);
    for (const Gene& gene : sequence.genes) {
        EXPECT_EQ(gene.locusTag, "");
        EXPECT_EQ((gene.geneName + gene.product).find('\r'), std::string::npos);
    }
}

TEST(GenBankReader, ReadsRealRecordsWithoutCdsOrWithoutOrigin)
{
    const SequenceSet noCds(dataFile("sequences/iro.gb"));
    EXPECT_TRUE(noCds.sequences[0].genes.empty());
    EXPECT_EQ(noCds.sequences[0].bases.size(), 1326u);

    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    testing::internal::CaptureStdout();
    EXPECT_THROW(SequenceSet(dataFile("sequences/no_origin_no_end.gb")), FatalError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No sequence read. Please check GenBank file!\n");
}

TEST(GenBankFile, EveryRecordEndsAtItsSlashesOrBeforeTheNextLocus)
{
    // Record 1 ends at "//" and the text up to the next LOCUS is passed
    // over; record 2 has no "//" and ends before record 3; record 3 ends at
    // the end of the file. A "//" line in the features ends a record too, so
    // record 4 has no letters.
    const std::string first = record(cds("2..9", {"/gene=\"one\""}), "aaaaccccgg");
    std::string second = record(cds("complement(3..5)", {"/gene=\"two\""}), "ttttgggg");
    second.erase(second.size() - 3);
    std::string third = record("", "acgt");
    third.erase(third.size() - 3);
    std::vector<Sequence> sequences =
        readAll(first + "text between records\n  LOCUS indented starts nothing\n" + second + third);
    ASSERT_EQ(sequences.size(), 3u);
    EXPECT_EQ(sequences[0].bases, "AAAACCCCGG");
    EXPECT_EQ(sequences[1].bases, "TTTTGGGG");
    EXPECT_EQ(sequences[2].bases, "ACGT");
    ASSERT_EQ(sequences[1].genes.size(), 1u);
    EXPECT_EQ(sequences[1].genes[0].geneName, "two");
    EXPECT_TRUE(sequences[2].genes.empty());
    for (const Sequence& sequence : sequences) {
        EXPECT_EQ(sequence.sourceFormat, 'G');
        EXPECT_EQ(sequence.locusName, "TESTREC");
    }

    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    testing::internal::CaptureStdout();
    EXPECT_THROW(readAll(first + "LOCUS       LATER\nDEFINITION  x\nFEATURES\n//\nORIGIN\n        1 acgt\n"),
                 FatalError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No sequence read. Please check GenBank file!\n");
}

TEST(GenBankFile, ReadsTheSameWhereverABlockEnds)
{
    // Small blocks grow to hold a line, so their ends fall all over the
    // lines, between a carriage return and its line feed and in the "//" and
    // "LOCUS" that end a record.
    const std::string text =
        "LOCUS       A 130 bp\nDEFINITION  first\nFEATURES\n" + cds("2..9", {"/gene=\"one\""}) + "ORIGIN\n"
        + originLines(std::string(60, 'a'))
        // Not a letter: read token by token, to the same effect. A short line
        // shifts the next position number into the letters.
        + "       61 acgt-acgta cccccccccc gggggggggg tttttttttt aaaaaaaaaa cccccccccc\n      121 gg\n 5 tt\n"
        + "//\ntext between records\n  LOCUS indented starts nothing\n"
        // A token beginning with '/' where a position number belongs is dropped.
        + "LOCUS       B\nDEFINITION  second\nORIGIN\n/x acgt\n"
        // Any line beginning with "LOCUS" starts a record; a "//" token ends
        // it wherever it falls.
        + "LOCUS\nDEFINITION  third\nORIGIN\n 1 aaaa cc gg tt aa cc //gg tt\n 7 gggg\n//\n"
        + "LOCUS       D\nDEFINITION  fourth\nORIGIN\n 1 acgt";
    const std::vector<std::string> expected = {
        std::string(60, 'A') + "ACGT-ACGTACCCCCCCCCCGGGGGGGGGGTTTTTTTTTTAAAAAAAAAACCCCCCCCCCGG5TT", "ACGT",
        "AAAACCGGTTAACC", "ACGT"};
    for (const std::string& form : {text, toWindowsLineEnds(text)}) {
        for (std::size_t blockSize = 1; blockSize <= 80; ++blockSize) {
            const std::vector<Sequence> sequences = readAll(form, blockSize);
            ASSERT_EQ(sequences.size(), expected.size()) << blockSize;
            for (std::size_t i = 0; i < expected.size(); ++i)
                EXPECT_EQ(sequences[i].bases, expected[i]) << "record " << i << ", block " << blockSize;
            EXPECT_EQ(sequences[3].name, "fourth");
            ASSERT_EQ(sequences[0].genes.size(), 1u);
            EXPECT_EQ(sequences[0].genes[0].geneName, "one");
        }
    }
}

TEST(GenBankFile, ReadsTheExampleGenomeAsItsFastaTwin)
{
    const SequenceSet fasta(sourceFile("examples/ecoli_k12.fna"));
    const SequenceSet genBank(sourceFile("examples/ecoli_k12.gbk"));
    const Sequence& genome = genBank.sequences.at(0);
    EXPECT_EQ(genome.bases.size(), 4641652u);
    EXPECT_EQ(genome.bases, fasta.sequences.at(0).bases);
    EXPECT_EQ(genome.id, "NC_000913.3");
    ASSERT_EQ(genome.genes.size(), 4315u);

    // With Windows line ends, in blocks whose ends fall all over its lines.
    const std::vector<Sequence> windows =
        readAll(toWindowsLineEnds(readFile(sourceFile("examples/ecoli_k12.gbk"))), 4093);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].bases, genome.bases);
    ASSERT_EQ(windows[0].genes.size(), genome.genes.size());
    for (std::size_t i = 0; i < genome.genes.size(); ++i) {
        const Gene& gene = windows[0].genes[i];
        const Gene& same = genome.genes[i];
        ASSERT_EQ(std::tie(gene.start, gene.end, gene.forward, gene.locusTag, gene.geneName, gene.product),
                  std::tie(same.start, same.end, same.forward, same.locusTag, same.geneName, same.product))
            << "gene " << i;
    }

    // The letters on one line, lower case: a line far longer than the block.
    std::string lowerCase = genome.bases;
    for (char& letter : lowerCase)
        letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    std::istringstream oneLine(">genome\n" + lowerCase + "\r\n");
    TextLines text(oneLine, 4093);
    Sequence sequence;
    readFastaRecord(sequence, text);
    EXPECT_EQ(sequence.bases, genome.bases);
}
