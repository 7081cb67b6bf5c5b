#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/ErrorReport.h"
#include "sequences/SequenceSet.h"
#include "support/TestSupport.h"

using testing_support::dataFile;
using testing_support::readFile;
using testing_support::ScopedWorkingFolder;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const std::string smallFasta = ">one\nACGT\n";
const std::string smallGenBank = "LOCUS       SMALL 8 bp\nDEFINITION  small record\nORIGIN\n        1 acgtacgt\n//\n";

// Reads `fileName` in the working folder and returns the console text of the
// fatal error it must end with; VarnoLog.txt must hold the same text.
std::string fatalErrorOf(const std::string& fileName)
{
    testing::internal::CaptureStdout();
    EXPECT_THROW(SequenceSet set(fileName), FatalError) << fileName;
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(readFile("VarnoLog.txt"), console);
    return console;
}

} // namespace

TEST(SequenceSet, ChoosesTheFastaReaderByExtension)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    for (const std::string name : {"seq.FNA", "seq.fna", "seq.fasta", "seq.FASTA", "seq.FAS", "fasfile", "seq.fa",
                                   "seq.FA", "seq.fsa", "seq.FSA", "seq.fa.gz", "seq.fna.GZ"}) {
        writeFile(name, smallFasta);
        const SequenceSet set(name);
        ASSERT_EQ(set.sequences.size(), 1u) << name;
        EXPECT_EQ(set.sequences[0].sourceFormat, 'F') << name;
    }
    EXPECT_EQ(SequenceSet("seq.fasta").stem, "seq");
    EXPECT_EQ(SequenceSet("fasfile").stem, "fasfile");
    EXPECT_EQ(SequenceSet("seq.fa.gz").stem, "seq");
}

TEST(SequenceSet, ChoosesTheGenBankReaderByExtension)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    for (const std::string name : {"ann.gbk", "ann.GB", "ann.gb", "ann.GBK", "ann.gbff", "ann.GBFF", "ann.gbk.gz"}) {
        writeFile(name, smallGenBank);
        const SequenceSet set(name);
        ASSERT_EQ(set.sequences.size(), 1u) << name;
        EXPECT_EQ(set.sequences[0].sourceFormat, 'G') << name;
        EXPECT_EQ(set.sequences[0].bases, "ACGTACGT") << name;
        EXPECT_EQ(set.stem, "ann");
    }
}

TEST(SequenceSet, RejectsOtherExtensionsCaseIncluded)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    std::filesystem::create_directory("dir.old");
    for (const std::string name :
         {"seq.Fasta", "seq.Fa", "ann.Gbff", "ann.Gb", "ann.gb.zip", "dir.old/fasfile", "seq."}) {
        writeFile(name, smallFasta);
        EXPECT_EQ(fatalErrorOf(name), "Incorrect sequence file extension.\nType Varno /? for help.\n");
    }
}

TEST(SequenceSet, LooksForTheDotOnlyUpToIndex1024)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    // Folders of 200 letters keep every path component within file system limits.
    std::string path;
    while (path.size() + 201 < 1024)
        path += std::string(200, 'd') + "/";
    std::filesystem::create_directories(path);
    path += std::string(1024 - path.size(), 'f');
    writeFile(path + ".fas", smallFasta);
    EXPECT_EQ(SequenceSet(path + ".fas").stem, path);

    writeFile(path + "x.fas", smallFasta);
    EXPECT_EQ(fatalErrorOf(path + "x.fas"), "Incorrect sequence file extension.\nType Varno /? for help.\n");
}

TEST(SequenceSet, KeepsTheFolderInTheStem)
{
    const TempDir folder;
    writeFile(folder.file("genome.v2.fna"), smallFasta);
    const SequenceSet set(folder.file("genome.v2.fna"));
    EXPECT_EQ(set.stem, folder.file("genome.v2"));
}

TEST(SequenceSet, ReportsAFileThatCannotBeRead)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    EXPECT_EQ(fatalErrorOf("missing.fas"), "Incorrect file name: missing.fas\n");
    EXPECT_EQ(fatalErrorOf("missing.gb"), "Incorrect file name: missing.gb\n");
    std::filesystem::create_directory("folder.gbk");
    EXPECT_EQ(fatalErrorOf("folder.gbk"), "Incorrect file name: folder.gbk\n");
}

TEST(SequenceSet, ReadsFastaRecordsInFileOrderAfterComments)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    writeFile("three.fas", "comment line\n;another\n\n>first\nAAAA\n>second\ncc\ncc\n>third\nGgGg");
    SequenceSet set("three.fas");
    ASSERT_EQ(set.sequences.size(), 3u);
    const std::vector<std::string> names = {"first", "second", "third"};
    const std::vector<std::string> bases = {"AAAA", "CCCC", "GGGG"};
    for (std::size_t i = 0; i < 3; ++i) {
        const Sequence& sequence = set.sequences[i];
        EXPECT_EQ(sequence.name, names[i]);
        EXPECT_EQ(sequence.bases, bases[i]);
        EXPECT_EQ(sequence.sourceFormat, 'F');
        EXPECT_EQ(sequence.backgroundA, 0.25);
        EXPECT_EQ(sequence.backgroundT, 0.25);
        EXPECT_EQ(sequence.aprioriEntropy, 2.0);
        EXPECT_EQ(sequence.globalScoreMean, 0.0);
        EXPECT_TRUE(sequence.hits.empty());
    }
}

TEST(SequenceSet, RejectsAFastaFileWithoutAUsableHeader)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    writeFile("empty.fas", "");
    writeFile("noheader.fas", "ACGT\nACGT\n");
    writeFile("lastheader.fas", "comment\n>header without terminator");
    for (const std::string name : {"empty.fas", "noheader.fas", "lastheader.fas"})
        EXPECT_EQ(fatalErrorOf(name), "Incorrect FASTA file: " + name + "\n");

    // With its terminator the header opens a record, which is empty.
    writeFile("lastline.fas", ">header\n");
    EXPECT_EQ(fatalErrorOf("lastline.fas"), "No sequence read. Please check FASTA file!\n");
}

TEST(SequenceSet, EndsTheRunOnAnEmptyRecordAnywhere)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    writeFile("gap.fas", ">one\nACGT\n>two\n>three\nACGT\n");
    EXPECT_EQ(fatalErrorOf("gap.fas"), "No sequence read. Please check FASTA file!\n");
}

TEST(SequenceSet, ReadsTheSameBasesFromFastaAndGenBank)
{
    const SequenceSet fasta(dataFile("sequences/NC_005816.fna"));
    const SequenceSet genBank(dataFile("sequences/NC_005816.gb"));
    ASSERT_EQ(fasta.sequences.size(), 1u);
    ASSERT_EQ(genBank.sequences.size(), 1u);
    EXPECT_EQ(fasta.sequences[0].bases.size(), 9609u);
    EXPECT_EQ(fasta.sequences[0].bases, genBank.sequences[0].bases);
    EXPECT_EQ(
        fasta.sequences[0].name,
        "gi|45478711|ref|NC_005816.1| Yersinia pestis biovar Microtus str. 91001 plasmid pPCP1, complete sequence");
}

// ENA's record of pPCP1 and RefSeq's: the same letters and CDS, as GenBank
// reads its features; its id from AC and SV, its name from the DE lines.
TEST(SequenceSet, ReadsAnEmblRecordAsItsGenBankTwin)
{
    const SequenceSet embl(dataFile("sequences/AE017046.embl"));
    const SequenceSet genBank(dataFile("sequences/NC_005816.gb"));
    ASSERT_EQ(embl.sequences.size(), 1u);
    const Sequence& sequence = embl.sequences[0];
    const Sequence& twin = genBank.sequences[0];
    EXPECT_EQ(sequence.sourceFormat, 'G');
    EXPECT_EQ(sequence.id, "AE017046.1");
    EXPECT_EQ(sequence.locusName, "AE017046");
    EXPECT_EQ(sequence.name, twin.name);
    EXPECT_EQ(sequence.fullName(), "Yersinia pestis biovar Microtus str. 91001 plasmid pPCP1, complete sequence.");
    EXPECT_EQ(sequence.bases, twin.bases);
    ASSERT_EQ(sequence.genes.size(), twin.genes.size());
    for (std::size_t i = 0; i < twin.genes.size(); ++i) {
        EXPECT_EQ(sequence.genes[i].start, twin.genes[i].start) << i;
        EXPECT_EQ(sequence.genes[i].end, twin.genes[i].end) << i;
        EXPECT_EQ(sequence.genes[i].locusTag, twin.genes[i].locusTag) << i;
    }
    EXPECT_EQ(sequence.genes[2].product, "putative replication regulatory protein");

    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    writeFile("bad.embl", "XX\nSQ   Sequence 4 BP;\n     acgt 4\n//\n");
    EXPECT_NE(fatalErrorOf("bad.embl").find("No ID line"), std::string::npos);
}

TEST(SequenceSet, ReadsEveryGenBankRecordInFileOrder)
{
    const SequenceSet set(dataFile("sequences/cor6_6.gb"));
    ASSERT_EQ(set.sequences.size(), 6u);
    const Sequence& last = set.sequences[5];
    EXPECT_EQ(last.locusName, "AF297471");
    EXPECT_EQ(last.name, "Brassica napus BN28a (BN28a) gene, complete cds.");
    EXPECT_EQ(last.bases.size(), 497u);
    EXPECT_EQ(last.sourceFormat, 'G');
    const Sequence& sequence = set.sequences[0];
    EXPECT_EQ(sequence.locusName, "ATCOR66M");
    EXPECT_EQ(sequence.name, "A.thaliana cor6.6 mRNA.");
    EXPECT_EQ(sequence.bases.size(), 513u);
    ASSERT_EQ(sequence.genes.size(), 1u);
    EXPECT_EQ(sequence.genes[0].start, 50u);
    EXPECT_EQ(sequence.genes[0].end, 250u);
}

TEST(SequenceSet, ReadsAGzipFileOfTwoMembersAsItsText)
{
    const SequenceSet set(dataFile("sequences/two_members.fa.gz"));
    ASSERT_EQ(set.sequences.size(), 2u);
    EXPECT_EQ(set.sequences[0].bases, "ACGTACGTAC");
    EXPECT_EQ(set.sequences[1].name, "two");
    EXPECT_EQ(set.sequences[1].bases, "TTTTGGGGCC");
}

TEST(SequenceSet, DamagedOrCutShortGzipFileIsAnError)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    const std::string packed = readFile(dataFile("sequences/two_members.fa.gz"));
    std::string corrupt = packed;
    for (std::size_t i = 12; i < 20; ++i)
        corrupt[i] = static_cast<char>(~corrupt[i]);
    for (const auto& [name, content] :
         {std::pair<std::string, std::string>{"cut.fa.gz", packed.substr(0, 40)}, {"corrupt.fa.gz", corrupt}}) {
        writeFile(name, content);
        EXPECT_EQ(fatalErrorOf(name), "Damaged or incomplete compressed file: " + name + "\n");
    }
}
