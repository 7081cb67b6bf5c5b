// Selection by significance on the example genome, judged by a run that keeps
// every window a bound could want: at a literal cut-off below the score of
// p = 0.05, its table gives each window's p, E and q over all of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// A window of a hit table: sequence, start, strand.
using Window = std::tuple<std::string, std::string, std::string>;

struct Figures {
    double score, p, e, q;
};

// The windows of a --tsv table with their score and figures.
std::map<Window, Figures> tableWindows(const std::string& fileName)
{
    std::map<Window, Figures> windows;
    const std::vector<std::string> lines = splitLines(readFile(fileName));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::istringstream fields(lines[i]);
        std::vector<std::string> field;
        for (std::string text; std::getline(fields, text, '\t');)
            field.push_back(text);
        // seq_id, seq_name, start, end, strand, score, p_value, e_value, q_value
        windows[{field[0], field[2], field[4]}] = {std::stod(field[5]), std::stod(field[6]), std::stod(field[7]),
                                                   std::stod(field[8])};
    }
    return windows;
}

class Selection : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new TempDir;
        for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"})
            std::filesystem::copy_file(sourceFile(std::string("examples/") + name), folder->file(name));
        // The example's settings at the literal cut-off -1.75 (values 4 and 9).
        writeOptionsFile(folder->file("everything.txt"), {"0", "5", "0", "-1.75", "350", "100", "0", "1", "1", "0",
                                                          "-500", "-1", "1", "500", "1.5", "1"});
        const RunResult all =
            runVarno(folder->path(), {"--tsv", "--outdir", "all", "ecoli_k12.gbk", "lexa_sites.txt", "everything.txt"});
        ASSERT_EQ(all.exitStatus, 0) << all.output;
        everything = new std::map<Window, Figures>(tableWindows(folder->file("all/ecoli_k12_Rsequence_Ri_-1.750.tsv")));
    }
    static void TearDownTestSuite()
    {
        delete everything;
        delete folder;
    }

    // Runs the example with the bounds into a folder of their own.
    static RunResult runWith(const std::vector<std::string>& bounds, const std::string& out)
    {
        std::vector<std::string> arguments = {"--tsv", "--bed", "--outdir", out};
        arguments.insert(arguments.end(), bounds.begin(), bounds.end());
        arguments.insert(arguments.end(), {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"});
        return runVarno(folder->path(), arguments);
    }

    static TempDir* folder;
    static std::map<Window, Figures>* everything;
};

TempDir* Selection::folder = nullptr;
std::map<Window, Figures>* Selection::everything = nullptr;

} // namespace

// Each bound keeps exactly the windows that meet it among all of them, with
// their figures; q is over every window scanned, so the q-values of a run
// bounded on q are those of the run that keeps everything, even where a bound
// on E leaves some of them out.
TEST_F(Selection, KeepsExactlyTheWindowsWithinTheBounds)
{
    struct Case {
        std::vector<std::string> bounds;
        std::string stem;
        bool (*meets)(const Figures&);
        bool sameQ;
    };
    const std::vector<Case> cases = {
        {{"--max-q", "0.05"}, "q0.05", [](const Figures& f) { return f.q <= 0.05; }, true},
        {{"--max-p=1e-5"}, "p1e-05", [](const Figures& f) { return f.p <= 1e-5; }, false},
        {{"--max-q", "0.05", "--max-e", "0.5"},
         "e0.5_q0.05",
         [](const Figures& f) { return f.q <= 0.05 && f.e <= 0.5; },
         true},
    };
    for (const Case& c : cases) {
        const RunResult run = runWith(c.bounds, c.stem);
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        const std::map<Window, Figures> kept =
            tableWindows(folder->file(c.stem + "/ecoli_k12_Rsequence_Ri_" + c.stem + ".tsv"));
        std::size_t wanted = 0;
        for (const auto& [window, figures] : *everything) {
            if (!c.meets(figures))
                continue;
            ++wanted;
            const auto found = kept.find(window);
            ASSERT_NE(found, kept.end()) << c.stem << " misses " << std::get<1>(window);
            EXPECT_EQ(found->second.p, figures.p);
            if (c.sameQ) {
                EXPECT_EQ(found->second.q, figures.q);
            }
        }
        EXPECT_EQ(kept.size(), wanted) << c.stem;
        EXPECT_GT(wanted, 10u) << c.stem;
    }
}

// The bounds name the files in place of the threshold, and the cut-off line,
// the run log and the track headers give the score they came to: for q the
// worst hit kept.
TEST_F(Selection, FilesAreNamedAfterTheBoundsAndGiveTheirCutoff)
{
    const RunResult run = runWith({"--max-q", "0.05", "--regulon"}, "named");
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(listFiles(folder->file("named")),
              (std::vector<std::string>{"ecoli_k12.log", "ecoli_k12_Rsequence_Ri_q0.05.bed",
                                        "ecoli_k12_Rsequence_Ri_q0.05.csv", "ecoli_k12_Rsequence_Ri_q0.05.tsv",
                                        "ecoli_k12_Rsequence_Ri_q0.05_regulon.tsv", "ecoli_k12__motif_score_log.csv",
                                        "ecoli_k12_freq_table.csv", "ecoli_k12_gene_log.csv", "ecoli_k12_seq_log.txt",
                                        "ecoli_k12_site_collection_log.txt"}));
    const std::vector<std::string> results =
        splitLines(readFile(folder->file("named/ecoli_k12_Rsequence_Ri_q0.05.csv")));
    EXPECT_EQ(results.back(), "Cut-off,+19.739; - q <= 0.05");
    EXPECT_NE(run.output.find("Selection by significance: q <= 0.05; the threshold is unused\n"), std::string::npos);
    EXPECT_NE(run.output.find("Score cut-off of the selection: 19.738585616596\n"), std::string::npos);
    EXPECT_NE(readFile(folder->file("named/ecoli_k12_Rsequence_Ri_q0.05.bed"))
                  .find("; cut-off 19.738585616596 (selected by q <= 0.05; the threshold is unused)\n"),
              std::string::npos);
    double worst = 1e300;
    for (const auto& [window, figures] : tableWindows(folder->file("named/ecoli_k12_Rsequence_Ri_q0.05.tsv")))
        worst = std::min(worst, figures.score);
    EXPECT_EQ(worst, 19.738585616596);
}

// A bound judges hits by their own p-values: with integration's rescaled
// scores, or beside a literal cut-off, the run stops before scanning.
TEST_F(Selection, IntegrationOrALiteralCutoffRefusesABound)
{
    writeOptionsFile(folder->file("integration.txt"),
                     {"0", "5", "0", "0.8", "350", "100", "0", "1", "0", "1", "-500", "-1", "1", "500", "1.5", "1"});
    const RunResult integrated =
        runVarno(folder->path(), {"--max-p", "1e-5", "ecoli_k12.gbk", "lexa_sites.txt", "integration.txt"});
    EXPECT_EQ(integrated.exitStatus, 1);
    EXPECT_NE(integrated.output.find("ERROR: Selection by significance (--max-p, --max-e, --max-q) keeps hits by "
                                     "their p-values, which integration (options file, value 10) does not give."),
              std::string::npos)
        << integrated.output;
    const RunResult literal =
        runVarno(folder->path(), {"--max-q", "0.1", "ecoli_k12.gbk", "lexa_sites.txt", "everything.txt"});
    EXPECT_EQ(literal.exitStatus, 1);
    EXPECT_NE(literal.output.find("sets the cut-off itself, and the options file sets a literal one (value 9)"),
              std::string::npos)
        << literal.output;
    EXPECT_EQ(literal.output.find("Analyzing sequence"), std::string::npos);
}
