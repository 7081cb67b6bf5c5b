// The example genome's report as a person sees it: rendered by a headless
// browser, which must raise no console message, with the logo, the cut-off,
// a known operator, the hits along the genome and the regulon in the page it
// builds; and a run that selects its hits by significance, in process.
#include "report/HtmlReport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "report/Calibration.h"
#include "results/HitSignificance.h"
#include "results/SignificanceBound.h"
#include "sequences/SequenceSet.h"
#include "support/TestSupport.h"
#include "tracks/RegulonTable.h"

using namespace testing_support;

namespace {

// Runs the browser on the page; its standard output is returned, its log
// lines land in `logFile`.
std::string browse(const std::string& page, const std::string& options, const std::string& logFile)
{
    const std::string command = "timeout 120 chromium --headless --no-sandbox --disable-gpu --enable-logging=stderr "
                                "--window-size=1280,4200 "
                              + options + " 'file://" + page + "' 2> '" + logFile + "'";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[65536];
    for (std::size_t length; (length = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, length);
    pclose(pipe);
    return output;
}

} // namespace

TEST(HtmlReport, ExampleGenomeRendersWithItsLogoCutoffOperatorsAndTrack)
{
    SKIP_WITHOUT_TOOL("chromium", "chromium");
    TempDir folder;
    for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"})
        std::filesystem::copy_file(sourceFile(std::string("examples/") + name), folder.file(name));
    const RunResult result =
        runVarno(folder.path(), {"--html", "--logo", "ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    const std::string page = folder.file("ecoli_k12_Rsequence_Ri_0.800.html");
    EXPECT_LT(std::filesystem::file_size(page), 2u << 20);
    EXPECT_TRUE(std::filesystem::exists(folder.file("ecoli_k12_logo.svg")));

    const std::string dom = browse(page, "--dump-dom", folder.file("dom.log"));
    for (const std::string& line : splitLines(readFile(folder.file("dom.log"))))
        EXPECT_EQ(line.find("CONSOLE"), std::string::npos) << line;
    EXPECT_EQ(countOf(dom, "class=\"logo-column\""), 20u);
    EXPECT_NE(dom.find("<span id=\"cutoff-value\">9.92154</span>"), std::string::npos);
    EXPECT_TRUE(std::regex_search(dom, std::regex("<tr>.*<td>Operator</td>.*<td>recA</td>")));
    EXPECT_NE(dom.find("<title>varno: lexa_sites on ecoli_k12</title>"), std::string::npos);

    // The significant hits stand out, drawn over the faint ones.
    const std::size_t track = dom.find("class=\"genome-track\"");
    ASSERT_NE(track, std::string::npos);
    const std::size_t trackEnd = dom.find("</svg>", track);
    const std::string strokes = dom.substr(track, trackEnd - track);
    EXPECT_GT(countOf(strokes, "class=\"hit faint\""), 1000u);
    EXPECT_GT(countOf(strokes, "class=\"hit faint operator\""), 1000u);
    EXPECT_LT(strokes.rfind("class=\"hit faint"), strokes.find("class=\"hit significant"));

    // The regulon, without --regulon: the golden's units in its order, each
    // best hit among the track's significant operators.
    const std::size_t regulon = dom.find("<section id=\"regulon\">");
    ASSERT_NE(regulon, std::string::npos);
    const std::string table = dom.substr(regulon, dom.find("</section>", regulon) - regulon);
    std::vector<std::string> expected;
    for (const std::string& row : splitLines(readFile(dataFile("e2e/ecoli_k12_Rsequence_Ri_0.800_regulon.tsv"))))
        expected.push_back(row.substr(row.find('\t') + 1, row.find('\t', row.find('\t') + 1) - row.find('\t') - 1));
    expected.erase(expected.begin()); // the header
    std::vector<std::string> shown;
    const std::regex firstGene("<tr><td title=\"([^\"]*)\">");
    for (std::sregex_iterator at(table.begin(), table.end(), firstGene), end; at != end; ++at)
        shown.push_back((*at)[1]);
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(std::regex_search(table, std::regex("<td title=\"b2699\">recA</td><td>recA</td>")));
    EXPECT_NE(table.find("from the site's centre to the gene's first base, negative upstream, in letters"),
              std::string::npos);
    EXPECT_GE(countOf(strokes, "class=\"hit significant operator\""), expected.size());

    // A run that keeps its hits by q shows the rule and both cut-offs.
    ASSERT_EQ(runVarno(folder.path(), {"--html", "--max-q", "0.05", "ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"})
                  .exitStatus,
              0);
    const std::string selected = readFile(folder.file("ecoli_k12_Rsequence_Ri_q0.05.html"));
    EXPECT_TRUE(std::regex_search(selected, std::regex("<th>Hits kept</th><td>\\d+ \\(q \u2264 0.05, score cut-off")));
    EXPECT_NE(selected.find("<span id=\"cutoff-value\">9.92154</span>"), std::string::npos);
    EXPECT_NE(selected.find("class=\"cutoff selected\""), std::string::npos);

    // The picture is kept for a person to look at.
    std::filesystem::create_directories(VARNO_ARTIFACT_DIR);
    const std::string picture = std::string(VARNO_ARTIFACT_DIR) + "/ecoli_k12_report.png";
    std::filesystem::remove(picture);
    browse(page, "--screenshot='" + picture + "'", folder.file("picture.log"));
    EXPECT_GT(std::filesystem::file_size(picture), 10000u);
}

// A run that keeps its hits by q <= 0.05 says so, marks its own cut-off
// beside the sites', and lets its own bound, not the regulon's, choose the
// hits that stand out; a FASTA run says why it has no regulon.
TEST(HtmlReport, SelectionBySignificanceIsStatedMarkedAndChoosesTheBoldHits)
{
    TempDir folder;
    writeFile(folder.file("seqs.fas"), ">one\n" + std::string(1000, 'A') + "\n");
    SequenceSet set(folder.file("seqs.fas"));
    Sequence& sequence = set.sequences.front();
    const SiteCollection collection = SiteCollection::fromSites({"ACGTAC", "ACGTAA", "ACGTTC"}, sequence);
    Options options;
    options.cutoff = 4.0;
    // q 0.01 passes both bounds, q 0.07 only the regulon's 0.1, q 0.5 neither.
    for (const double q : {0.01, 0.07, 0.5}) {
        Hit hit(6);
        hit.position = static_cast<std::uint32_t>(1000 * q);
        hit.forward = true;
        hit.score = 5.0;
        sequence.hits.push_back(hit);
        WindowSignificance figures;
        figures.pValue = q / 100;
        figures.eValue = q;
        figures.qValue = q;
        sequence.hitSignificance.push_back(figures);
    }
    RunSignificance significance;
    significance.computed = true;
    significance.windowsScanned = 1990;
    SignificanceSelection selection;
    const RegulonSettings regulon;
    const Calibration calibration;
    const ReportInputs inputs{"seqs.fas",   "sites.txt", "Options.txt", true,    set,     collection, options,
                              significance, selection,   4.0,           regulon, nullptr, calibration};
    // The strokes' classes, in the order drawn, by the hit's position in their titles.
    const auto strokes = [&]() {
        writeHtmlReport(inputs, folder.file("report.html"));
        const std::string page = readFile(folder.file("report.html"));
        std::vector<std::string> drawn;
        const std::regex stroke("<line class=\"(hit[^\"]*)\"[^>]*><title>(\\d+) ");
        for (std::sregex_iterator at(page.begin(), page.end(), stroke), end; at != end; ++at)
            drawn.push_back((*at)[2].str() + " " + (*at)[1].str());
        return std::make_pair(page, drawn);
    };

    const auto [plain, plainStrokes] = strokes();
    EXPECT_EQ(plainStrokes, (std::vector<std::string>{"501 hit faint", "11 hit significant", "71 hit significant"}));
    EXPECT_EQ(plain.find("cutoff selected"), std::string::npos);
    EXPECT_NE(plain.find("No regulon: the sequences carry no genes"), std::string::npos);
    // Every slot of the page filled, and a title over each cell of the hit table.
    EXPECT_EQ(plain.find("@@"), std::string::npos);
    const std::size_t table = plain.find("<table id=\"hit-table\">");
    const std::size_t body = plain.find("<tbody>", table);
    const std::size_t titles = countOf(plain.substr(table, body - table), "<th ");
    EXPECT_EQ(titles, 13u);
    for (const std::string& row : splitLines(plain.substr(body, plain.find("</tbody>", body) - body)))
        if (row.rfind("<tr>", 0) == 0) {
            EXPECT_EQ(countOf(row, "<td"), titles) << row;
        }

    selection.bounds = {SignificanceBound{SignificanceBound::Figure::qValue, 0.05}};
    selection.scoreCutoff = 12.3;
    options.cutoff = 12.3; // the run scans at the selection's cut-off
    const auto [selected, selectedStrokes] = strokes();
    EXPECT_EQ(selectedStrokes, (std::vector<std::string>{"71 hit faint", "501 hit faint", "11 hit significant"}));
    EXPECT_NE(selected.find("<th>Hits kept</th><td>3 (q \u2264 0.05, score cut-off 12.3)</td>"), std::string::npos);
    EXPECT_NE(selected.find("<span id=\"cutoff-value\">4</span>"), std::string::npos);
    EXPECT_TRUE(std::regex_search(selected, std::regex("<line [^>]*class=\"cutoff\"/><text [^>]*>cut-off 4</text>")));
    EXPECT_TRUE(std::regex_search(selected, std::regex("<line [^>]*class=\"cutoff selected\"/><text [^>]*>kept: q "
                                                       "\u2264 0.05, 12.3</text>")));
}
