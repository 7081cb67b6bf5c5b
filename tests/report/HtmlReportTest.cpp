// The example genome's report as a person sees it: rendered by a headless
// browser, which must raise no console message, with the logo, the cut-off,
// a known operator and the hits along the genome in the page it builds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "support/TestSupport.h"

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
    const std::size_t track = dom.find("class=\"genome-track\"");
    ASSERT_NE(track, std::string::npos);
    EXPECT_NE(dom.find("class=\"hit operator\"", track), std::string::npos);

    // The picture is kept for a person to look at.
    std::filesystem::create_directories(VARNO_ARTIFACT_DIR);
    const std::string picture = std::string(VARNO_ARTIFACT_DIR) + "/ecoli_k12_report.png";
    std::filesystem::remove(picture);
    browse(page, "--screenshot='" + picture + "'", folder.file("picture.log"));
    EXPECT_GT(std::filesystem::file_size(picture), 10000u);
}
