// The genetic codes where they part from the bacterial one, and what a
// translation makes of codons that are not plain bases.
#include <gtest/gtest.h>

#include "sequences/Translation.h"

TEST(Translation, CodesStartsStopsAndAmbiguityCodes)
{
    const GeneticCode& bacterial = *GeneticCode::numbered(11);
    // A start codon begins the protein as Met, the last stop is dropped and
    // one inside kept, for the caller to leave the CDS out.
    EXPECT_EQ(translateCds("GTGAAATGGTGA", bacterial, true), "MKW");
    EXPECT_EQ(translateCds("TTGTAAAAATAG", bacterial, true), "M*K");
    // Not the CDS's own start (a partial 5' end): the codon's amino acid.
    EXPECT_EQ(translateCds("GTGAAATGGTGA", bacterial, false), "VKW");
    // Table 4 (Mycoplasma) reads TGA as Trp and starts at ATA; table 27
    // reads TGA as Trp inside a protein but as its end where it is last.
    EXPECT_EQ(translateCds("ATATGATGA", *GeneticCode::numbered(4), true), "MWW");
    EXPECT_EQ(translateCds("ATGTGATGA", *GeneticCode::numbered(27), true), "MW");
    // An ambiguity code gives the amino acid where every codon it stands for
    // agrees (GCN, AAR, YTG, and TAR a stop), else X (NNN, RTG); U reads as
    // T; an incomplete codon at the end is dropped.
    EXPECT_EQ(translateCds("AUGGCNNNNAARYTGRTGTARCC", bacterial, true), "MAXKLX");
    EXPECT_EQ(GeneticCode::numbered(7), nullptr);
    EXPECT_NE(GeneticCode::numbered(33), nullptr);
}
