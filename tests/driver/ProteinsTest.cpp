// The proteins of a run's CDS (--proteins): the example genome's own
// translations made again from its letters, the two files Prokka writes of
// one genome, and the location forms, names and rules on a genome small
// enough to read.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// A protein FASTA file as its records: name line (without '>') -> letters.
std::map<std::string, std::string> proteinRecords(const std::string& text)
{
    std::map<std::string, std::string> records;
    std::string name;
    for (const std::string& line : splitLines(text)) {
        if (!line.empty() && line[0] == '>')
            name = line.substr(1);
        else
            records[name] += line;
    }
    return records;
}

// The GenBank text without its /translation qualifiers, so that every CDS
// is translated from the letters.
std::string withoutTranslations(const std::string& genBank)
{
    std::string kept;
    bool inTranslation = false;
    for (const std::string& line : splitLines(genBank)) {
        if (!inTranslation && line.find("/translation=\"") == std::string::npos) {
            kept += line + '\n';
            continue;
        }
        // Its lines go on up to the one that closes its quote.
        const std::size_t quotes = countOf(line, "\"");
        inTranslation = inTranslation ? quotes == 0 : quotes == 1;
    }
    return kept;
}

} // namespace

TEST(Proteins, ExampleGenomeTranslatedFromItsLettersGivesItsOwnTranslations)
{
    TempDir folder;
    for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt"})
        std::filesystem::copy_file(sourceFile(std::string("examples/") + name), folder.file(name));
    writeFile(folder.file("bare.gbk"), withoutTranslations(readFile(folder.file("ecoli_k12.gbk"))));
    const std::vector<std::string> run = {"--no-logs", "--tsv", "--method", "5", "--threshold", "0.8"};
    const auto withRun = [&](std::vector<std::string> more) {
        std::vector<std::string> arguments = run;
        arguments.insert(arguments.end(), more.begin(), more.end());
        const RunResult result = runVarno(folder.path(), arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.output;
    };
    withRun({"ecoli_k12.gbk", "lexa_sites.txt"});
    const std::string results = readFile(folder.file("ecoli_k12_Rsequence_Ri_0.800.csv"));
    const std::string table = readFile(folder.file("ecoli_k12_Rsequence_Ri_0.800.tsv"));
    withRun({"--proteins", "given.faa", "ecoli_k12.gbk", "lexa_sites.txt"});
    withRun({"--proteins", "made.faa", "bare.gbk", "lexa_sites.txt"});

    // Asking for the proteins changes no other file.
    EXPECT_EQ(readFile(folder.file("ecoli_k12_Rsequence_Ri_0.800.csv")), results);
    EXPECT_EQ(readFile(folder.file("ecoli_k12_Rsequence_Ri_0.800.tsv")), table);

    // Every CDS but the 17 pseudo ones gives its /translation, 60 letters to a line.
    const std::string given = readFile(folder.file("given.faa"));
    std::map<std::string, std::string> expected = proteinRecords(given);
    EXPECT_EQ(expected.size(), 4298u);
    EXPECT_EQ(given.substr(0, given.find('\n', given.find('\n') + 1) + 1),
              ">NC_000913.3|b0001 gene=thrL product=thr operon leader peptide\nMKRISTTITTTITITTGNGAG\n");
    EXPECT_NE(given.find(">NC_000913.3|b0149_2 gene=mrcB product=PBP1Bgamma\n"), std::string::npos);
    for (const std::string& line : splitLines(given))
        ASSERT_TRUE(line[0] == '>' || line.size() <= 60) << line;
    // Made from the letters (joins, complements, ribosomal slippage), the
    // same proteins but for the three whose selenocysteine codon reads as a stop.
    for (const char* selenoprotein : {"NC_000913.3|b1474 gene=fdnG product=formate dehydrogenase N subunit alpha",
                                      "NC_000913.3|b3894 gene=fdoG product=formate dehydrogenase O subunit alpha",
                                      "NC_000913.3|b4079 gene=fdhF product=formate dehydrogenase H"})
        EXPECT_EQ(expected.erase(selenoprotein), 1u) << selenoprotein;
    EXPECT_EQ(proteinRecords(readFile(folder.file("made.faa"))), expected);
}

// Prokka's GenBank file gives each CDS its /translation, its GFF3 file none:
// the proteins made from the letters are the same, in the same order.
TEST(Proteins, ProkkaGenBankAndGff3GiveTheSameProteins)
{
    TempDir folder;
    writeFile(folder.file("sites.txt"), "CTGTATATATATACAG\nCTGTATAAAAATACAG\n");
    std::vector<std::vector<std::string>> proteins;
    for (const std::string name : {"prokka_plasmid.gbk.gz", "prokka_plasmid.gff.gz"}) {
        // The run's own files go to the folder, not beside the test data.
        const RunResult result = runVarno(folder.path(), {"--no-logs", "--outdir", ".", "--proteins", name + ".faa",
                                                          dataFile("sequences/" + name), "sites.txt"});
        ASSERT_EQ(result.exitStatus, 0) << result.output;
        proteins.emplace_back();
        for (const auto& [header, letters] : proteinRecords(readFile(folder.file(name + ".faa"))))
            proteins.back().push_back(header.substr(header.rfind('_', header.find(' '))) + " " + letters);
    }
    EXPECT_EQ(proteins[0].size(), 8u);
    EXPECT_EQ(proteins[0], proteins[1]);
}

// A circular genome of 100 letters with a CDS of every kind the readers
// keep: across the origin (its location on two lines), joined on the
// reverse strand, partial at its start, from codon_start 2 under table 4,
// pseudo, given as /translation, on another record, with a stop inside.
TEST(Proteins, LocationFormsNamesAndTheCdsLeftOut)
{
    const std::string letters = "TGGTAAGACCTATTCATAAACGCATCGTCTTGCCCGGGTGAGTTGGCCCCATGTGAGGCTATTAAGGGTTAAGTAAGTG"
                                "TGAATGTAAGGGCTTATGAAA";
    std::string genBank = "LOCUS       s1 100 bp    DNA     circular\nDEFINITION  s1\nVERSION     s1.1\n"
                          "FEATURES             Location/Qualifiers\n";
    const auto cds = [&genBank](const std::string& location, const std::string& qualifiers) {
        genBank += "     CDS             " + location + "\n" + qualifiers;
    };
    const std::string qualifier = "                     /";
    cds("join(95..100,\n                     1..6)", qualifier + "gene=\"abc\"\n" + qualifier + "locus_tag=\"T1\"\n"
                                                         + qualifier + "product=\"across the origin\"\n");
    cds("complement(join(10..15,20..25))", qualifier + "locus_tag=\"T2\"\n" + qualifier
                                               + "product=\"joined, on the\n                     reverse strand\"\n");
    cds("<30..41", qualifier + "codon_start=1\n" + qualifier + "product=\"no locus tag\"\n");
    cds("50..61", qualifier + "locus_tag=\"T4\"\n" + qualifier + "codon_start=2\n" + qualifier + "transl_table=4\n");
    cds("70..81", qualifier + "locus_tag=\"T5\"\n" + qualifier + "pseudo\n");
    cds("70..81", qualifier + "locus_tag=\"T4\"\n" + qualifier + "translation=\"MKV\n                     LL\"\n");
    cds("J00194.1:100..202", qualifier + "locus_tag=\"T7\"\n");
    cds("83..91", qualifier + "locus_tag=\"T8\"\n");
    genBank += "ORIGIN\n        1 " + letters + "\n//\n";

    // The same genome as GFF3: a CDS past the sequence's end crosses the
    // origin, the parts of one ID are joined, a phase is where codons start.
    const std::string gff3 = "##gff-version 3\n"
                             "s1.1\tx\tCDS\t95\t106\t.\t+\t0\tID=a;locus_tag=T1;gene=abc;product=across the origin\n"
                             "s1.1\tx\tCDS\t20\t25\t.\t-\t0\tID=b;locus_tag=T2\n"
                             "s1.1\tx\tCDS\t10\t15\t.\t-\t0\tID=b;locus_tag=T2\n"
                             "s1.1\tx\tCDS\t50\t61\t.\t+\t1\tID=d;locus_tag=T4;transl_table=4\n"
                             "s1.1\tx\tCDS\t70\t81\t.\t+\t0\tID=e;locus_tag=T5;pseudo=true\n"
                             "##FASTA\n>s1.1\n"
                           + letters + "\n";
    TempDir folder;
    writeFile(folder.file("genome.gb"), genBank);
    writeFile(folder.file("genome.gff"), gff3);
    writeFile(folder.file("sites.txt"), "CTGTATATATATACAG\nCTGTATAAAAATACAG\n");
    for (const std::string name : {"genome.gb", "genome.gff"}) {
        const RunResult result = runVarno(folder.path(), {"--no-logs", "--proteins", name + ".faa", name, "sites.txt"});
        ASSERT_EQ(result.exitStatus, 0) << result.output;
    }
    EXPECT_EQ(readFile(folder.file("genome.gb.faa")), ">s1.1|T1 gene=abc product=across the origin\nMKW\n"
                                                      ">s1.1|T2 product=joined, on the reverse strand\nMRE\n"
                                                      ">s1.1|cds_3 product=no locus tag\nLPG\n"
                                                      ">s1.1|T4\nMWG\n"
                                                      ">s1.1|T4_2\nMKVLL\n");
    EXPECT_EQ(readFile(folder.file("genome.gff.faa")),
              ">s1.1|T1 gene=abc product=across the origin\nMKW\n>s1.1|T2\nMRE\n>s1.1|T4\nMWG\n");
}
