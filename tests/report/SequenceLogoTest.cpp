#include "report/SequenceLogo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "motif/SiteCollection.h"
#include "report/Svg.h"
#include "sequences/Sequence.h"
#include "support/TestSupport.h"

using testing_support::countOf;
using testing_support::readFile;
using testing_support::sourceFile;
using testing_support::TempDir;

TEST(SequenceLogo, LetterHeightsFollowTheFrequencyTable)
{
    const Sequence uniform;
    // Position 1 holds one letter, position 2 all four equally often.
    const std::vector<LogoColumn> made = logoColumns(SiteCollection::fromSites({"AA", "AC", "AG", "AT"}, uniform));
    ASSERT_EQ(made.size(), 2u);
    EXPECT_NEAR(made[0].height, 2.0, 1e-6);
    EXPECT_NEAR(made[0].letterHeight[0], 2.0, 1e-6);
    EXPECT_EQ(made[0].consensus, 'A');
    EXPECT_NEAR(made[1].height, 0.0, 1e-6);
    for (const double letter : made[1].letterHeight)
        EXPECT_NEAR(letter, 0.0, 1e-6);

    const SiteCollection lexa(sourceFile("examples/lexa_sites.txt"), uniform);
    const std::vector<LogoColumn> logo = logoColumns(lexa);
    ASSERT_EQ(logo.size(), lexa.columns.size());
    for (std::size_t index = 0; index < logo.size(); ++index) {
        const MotifColumn& column = lexa.columns[index];
        const LogoColumn& stack = logo[index];
        EXPECT_NEAR(stack.height, std::max(column.rsequence, 0.0), 1e-12) << "position " << index + 1;
        EXPECT_NEAR(stack.letterHeight[0] + stack.letterHeight[1] + stack.letterHeight[2] + stack.letterHeight[3],
                    stack.height, 1e-9)
            << "position " << index + 1;
        EXPECT_NEAR(stack.letterHeight[2], column.freqG * stack.height, 1e-12) << "position " << index + 1;
        EXPECT_EQ(stack.consensus, column.consensus);
    }
}

// The drawing of a real collection, named with every character XML must
// escape: one group per position, a document that parses, and the same
// drawing inline.
TEST(SequenceLogo, DrawsOneGroupPerPositionInAWellFormedDocument)
{
    SKIP_WITHOUT_TOOL("xmllint", "libxml2-utils");
    const TempDir folder;
    SiteCollection lexa(sourceFile("examples/lexa_sites.txt"), Sequence());
    lexa.motifName = "lexA & <\"sulA\"> 'recA'";
    writeLogoFile(lexa, folder.file("lexa_logo.svg"));

    const std::string document = readFile(folder.file("lexa_logo.svg"));
    EXPECT_EQ(countOf(document, "<g class=\"logo-column\">"), lexa.columns.size());
    EXPECT_NE(document.find("<title>Position 1: "), std::string::npos);
    EXPECT_EQ(std::system(("xmllint --noout " + folder.file("lexa_logo.svg")).c_str()), 0);

    const std::string inlined = sequenceLogoSvg(lexa, false);
    EXPECT_EQ(inlined.rfind("<svg ", 0), 0u);
    EXPECT_EQ(document, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + inlined);
}

TEST(SequenceLogo, NumbersAreShortAndExact)
{
    EXPECT_EQ(svgNumber(100.0, 0), "100");
    EXPECT_EQ(svgNumber(100.0, 2), "100");
    EXPECT_EQ(svgNumber(2.50004, 3), "2.5");
    EXPECT_EQ(svgNumber(0.99996, 4), "1");
    EXPECT_EQ(svgNumber(-0.0001, 3), "0");
    EXPECT_EQ(svgNumber(-1.25, 2), "-1.25");
}
