#include "tracks/RegulonTable.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// A gene from its first and last letter: complement(last..first) when first > last.
Gene gene(std::uint32_t first, std::uint32_t last)
{
    Gene made;
    made.start = first;
    made.end = last;
    made.forward = first <= last;
    return made;
}

} // namespace

// Gaps of 49, 50 and 51 letters on either strand, with the default limit of 50.
TEST(TranscriptionUnits, NextGeneOnTheStrandJoinsUpToTheGapAndNoFurther)
{
    const std::vector<Gene> genes = {
        gene(100, 400),   // 0: heads a forward unit
        gene(451, 700),   // 1: 50 after gene 0
        gene(5300, 5000), // 2: heads a reverse unit
        gene(200, 300),   // 3: inside gene 0: the unit's end stays gene 0's
        gene(650, 900),   // 4: overlaps gene 1
        gene(950, 1200),  // 5: 49 after gene 4
        gene(4949, 4700), // 6: 50 below gene 2
        gene(1252, 1500), // 7: 51 after gene 5: a unit of its own
        gene(4650, 4400), // 8: 49 below gene 6
        gene(4348, 4000), // 9: 51 below gene 8
        gene(420, 410),   // 10: between genes 0 and 1 but on the other strand
    };
    const TranscriptionUnits units(genes, 10000, 50);
    EXPECT_EQ(units.unitOf(0), (std::vector<std::size_t>{0, 3, 1, 4, 5}));
    EXPECT_EQ(units.unitOf(1), (std::vector<std::size_t>{1, 4, 5}));
    EXPECT_EQ(units.unitOf(7), (std::vector<std::size_t>{7}));
    EXPECT_EQ(units.unitOf(2), (std::vector<std::size_t>{2, 6, 8}));
    EXPECT_EQ(units.unitOf(8), (std::vector<std::size_t>{8}));
    EXPECT_EQ(units.unitOf(9), (std::vector<std::size_t>{9}));
    // A gap of 0 letters keeps only touching and overlapping genes.
    EXPECT_EQ(TranscriptionUnits(genes, 10000, 0).unitOf(1), (std::vector<std::size_t>{1, 4}));
}

TEST(TranscriptionUnits, UnitRunsAcrossTheOriginButNotBackToItsFirstGene)
{
    const std::vector<Gene> genes = {
        gene(20, 80),     // 0: 39 letters past gene 1 across the origin
        gene(9800, 9980), // 1
        gene(100, 400),   // 2: 19 past gene 0
        gene(200, 10),    // 3: reverse, across the origin to gene 4, 39 letters on
        gene(9970, 9900), // 4
        gene(100, 400),   // 5: starts with gene 2: not downstream of it, but of gene 1
    };
    const TranscriptionUnits units(genes, 10000, 50);
    EXPECT_EQ(units.unitOf(1), (std::vector<std::size_t>{1, 0, 2, 5}));
    EXPECT_EQ(units.unitOf(2), (std::vector<std::size_t>{2}));
    EXPECT_EQ(units.unitOf(3), (std::vector<std::size_t>{3, 4}));
    EXPECT_EQ(units.unitOf(4), (std::vector<std::size_t>{4}));

    // Genes all round a small circle: each unit holds every gene once.
    const std::vector<Gene> ring = {gene(1, 300), gene(301, 600), gene(601, 1000)};
    EXPECT_EQ(TranscriptionUnits(ring, 1000, 50).unitOf(1), (std::vector<std::size_t>{1, 2, 0}));
}
