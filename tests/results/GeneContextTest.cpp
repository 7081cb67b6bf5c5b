#include "results/GeneContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "options/Options.h"
#include "sequences/Gene.h"
#include "sequences/Hit.h"
#include "sequences/Sequence.h"

namespace {

Gene makeGene(std::uint32_t start, std::uint32_t end, bool forward, const std::string& tag)
{
    Gene gene;
    gene.start = start;
    gene.end = end;
    gene.forward = forward;
    gene.locusTag = tag;
    gene.geneName = "name" + tag;
    gene.product = "product " + tag;
    return gene;
}

Sequence annotatedSequence(const std::vector<Gene>& genes, const std::vector<std::uint32_t>& positions,
                           std::size_t length = 10000)
{
    Sequence sequence;
    sequence.sourceFormat = 'G';
    sequence.genes = genes;
    sequence.bases.assign(length, 'A');
    for (std::uint32_t position : positions) {
        Hit hit(10);
        hit.position = position;
        sequence.hits.push_back(hit);
    }
    return sequence;
}

struct Context {
    std::string type;
    std::int32_t distance;
    std::string tag;
};

std::vector<Context> contextsOf(const Sequence& sequence)
{
    std::vector<Context> contexts;
    for (const Hit& hit : sequence.hits)
        contexts.push_back({contextName(hit.context), hit.distance, firstLineGeneTexts(sequence, hit).locusTag});
    return contexts;
}

void expectContexts(const Sequence& sequence, const std::vector<Context>& expected)
{
    const std::vector<Context> actual = contextsOf(sequence);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(actual[index].type, expected[index].type) << "hit " << index;
        EXPECT_EQ(actual[index].distance, expected[index].distance) << "hit " << index;
        EXPECT_EQ(actual[index].tag, expected[index].tag) << "hit " << index;
    }
}

// The nearest-gene walk as the rule reads: from the first gene on, a gene
// becomes the best when its start is not after the best's or it lies nearer,
// and the walk stops once a gene lies farther than the best.
std::size_t nearestGeneByWalk(const std::vector<Gene>& genes, std::uint32_t position, std::int32_t& nearestDistance)
{
    const auto distanceTo = [position](const Gene& gene) {
        return static_cast<std::int32_t>(gene.forward ? gene.start - position : position - gene.start);
    };
    std::size_t best = 0;
    nearestDistance = distanceTo(genes[0]);
    for (std::size_t index = 1; index < genes.size(); ++index) {
        const std::int32_t distance = distanceTo(genes[index]);
        if (genes[index].start <= genes[best].start || std::llabs(distance) < std::llabs(nearestDistance)) {
            best = index;
            nearestDistance = distance;
        }
        if (std::llabs(distance) > std::llabs(nearestDistance))
            break;
    }
    return best;
}

} // namespace

TEST(GeneContext, UnannotatedSequenceMarksGenesUnavailable)
{
    // FASTA input, and a GenBank record without any CDS feature.
    Sequence fasta = annotatedSequence({makeGene(400, 900, true, "A")}, {5, 399});
    fasta.sourceFormat = 'F';
    Sequence withoutGenes = annotatedSequence({}, {70});
    for (Sequence* sequence : {&fasta, &withoutGenes}) {
        assignGeneContext(*sequence, Options(), sequence->bases.size());
        for (const Hit& hit : sequence->hits) {
            EXPECT_EQ(hit.context, HitContext::Unknown);
            EXPECT_EQ(hit.distance, 0);
            EXPECT_EQ(hit.geneIndex, Hit::noGene);
        }
    }
}

TEST(GeneContext, ForwardGeneOperatorAndIntragenicBoundaries)
{
    Sequence sequence = annotatedSequence({makeGene(400, 900, true, "A")}, {100, 50, 499, 500, 899, 900});
    assignGeneContext(sequence, Options(), sequence.bases.size());
    expectContexts(sequence, {{"Operator", -300, "A"},
                              {"Intergenic", -350, "A"},
                              {"Operator", 99, "A"},
                              {"Intragenic", 100, "A"},
                              {"Intragenic", 499, "A"},
                              {"Intergenic", 500, "A"}});
    EXPECT_EQ(sequence.hits[0].geneIndex, 0u);
}

TEST(GeneContext, ComplementGeneMeasuresOnItsOwnStrand)
{
    Sequence sequence = annotatedSequence({makeGene(900, 400, false, "C")}, {950, 600, 1250, 1249});
    assignGeneContext(sequence, Options(), sequence.bases.size());
    expectContexts(
        sequence,
        {{"Operator", -50, "C"}, {"Intragenic", 300, "C"}, {"Intergenic", -350, "C"}, {"Operator", -349, "C"}});
}

TEST(GeneContext, OperatorDistancesComeFromOptions)
{
    Options options;
    options.operatorUpstream = 50;
    options.operatorDownstream = 0;
    Sequence sequence = annotatedSequence({makeGene(400, 900, true, "A")}, {351, 350, 400, 401});
    assignGeneContext(sequence, options, sequence.bases.size());
    expectContexts(sequence,
                   {{"Operator", -49, "A"}, {"Intergenic", -50, "A"}, {"Intergenic", 0, "A"}, {"Intragenic", 1, "A"}});
}

TEST(GeneContext, NearestGeneWalkStopsWhenDistancesGrow)
{
    // The walk ends at B, which is farther than A, and never sees the closer C.
    Sequence sequence = annotatedSequence(
        {makeGene(1000, 1100, true, "A"), makeGene(5000, 6000, true, "B"), makeGene(1190, 1195, true, "C")}, {1200});
    assignGeneContext(sequence, Options(), sequence.bases.size());
    expectContexts(sequence, {{"Intergenic", 200, "A"}});
}

TEST(GeneContext, NearestGeneWalkPassesTheNearestWhileDistancesShrink)
{
    Sequence sequence = annotatedSequence(
        {makeGene(100, 300, true, "A"), makeGene(1000, 1500, true, "B"), makeGene(2000, 2600, true, "C")},
        {1200, 1950, 80});
    assignGeneContext(sequence, Options(), sequence.bases.size());
    expectContexts(sequence, {{"Intragenic", 200, "B"}, {"Operator", -50, "C"}, {"Operator", -20, "A"}});
}

TEST(GeneContext, GeneWithLowerStartReplacesEvenWhenFarther)
{
    Sequence sequence = annotatedSequence({makeGene(600, 900, true, "A"), makeGene(300, 450, true, "B")}, {500});
    assignGeneContext(sequence, Options(), sequence.bases.size());
    expectContexts(sequence, {{"Intergenic", 200, "B"}});
}

TEST(GeneContext, EquallyDistantLaterGeneKeepsBestButNotTheWalk)
{
    const Gene first = makeGene(400, 450, true, "A");
    const Gene equal = makeGene(600, 550, false, "B");
    Sequence farther = annotatedSequence({first, equal, makeGene(2000, 2500, true, "C")}, {500});
    assignGeneContext(farther, Options(), farther.bases.size());
    expectContexts(farther, {{"Intergenic", 100, "A"}});

    Sequence closer = annotatedSequence({first, equal, makeGene(520, 800, true, "C")}, {500});
    assignGeneContext(closer, Options(), closer.bases.size());
    expectContexts(closer, {{"Operator", -20, "C"}});
}

TEST(GeneContext, ContainingNeighbourBeforeTheNearestGeneIsChosen)
{
    Sequence sequence = annotatedSequence({makeGene(100, 5000, true, "A"), makeGene(1500, 2000, true, "B")}, {1000});
    assignGeneContext(sequence, Options(), sequence.bases.size());
    expectContexts(sequence, {{"Intragenic", 900, "A"}});
    EXPECT_EQ(sequence.hits[0].geneIndex, 0u);
}

TEST(GeneContext, ContainingGeneClosestToItsStartWins)
{
    Sequence sequence = annotatedSequence(
        {makeGene(100, 4000, true, "A"), makeGene(2500, 300, false, "B"), makeGene(3000, 3500, true, "C")}, {2000});
    assignGeneContext(sequence, Options(), sequence.bases.size());
    expectContexts(sequence, {{"Intragenic", 500, "B"}});
}

TEST(GeneContext, ContainmentLooksAtNoMoreThanThreeGenes)
{
    Sequence sequence = annotatedSequence({makeGene(100, 200, true, "A"), makeGene(5000, 6000, true, "B"),
                                           makeGene(7000, 8000, true, "C"), makeGene(450, 9000, true, "D")},
                                          {4000});
    assignGeneContext(sequence, Options(), sequence.bases.size());
    expectContexts(sequence, {{"Intergenic", -1000, "B"}});
}

TEST(GeneContext, ContainingOffsetMustBeShorterThanTheSequence)
{
    Sequence sequence = annotatedSequence({makeGene(10, 500, true, "A")}, {200, 160, 159}, 150);
    assignGeneContext(sequence, Options(), sequence.bases.size());
    expectContexts(sequence, {{"Intergenic", 190, "A"}, {"Intergenic", 150, "A"}, {"Intragenic", 149, "A"}});
}

TEST(GeneContext, ExtremeOptionsAndCoordinatesDoNotOverflow)
{
    Options options;
    options.operatorUpstream = std::numeric_limits<std::int32_t>::max();
    options.operatorDownstream = std::numeric_limits<std::int32_t>::min();
    Sequence sequence = annotatedSequence({makeGene(400, 900, true, "A")}, {400, 100});
    assignGeneContext(sequence, options, sequence.bases.size());
    expectContexts(sequence, {{"Intergenic", 0, "A"}, {"Intergenic", -300, "A"}});

    options.operatorDownstream = std::numeric_limits<std::int32_t>::max();
    Sequence wrapping = annotatedSequence({makeGene(2147483648u, 2147483700u, true, "W")}, {0});
    assignGeneContext(wrapping, options, wrapping.bases.size());
    expectContexts(wrapping, {{"Intergenic", std::numeric_limits<std::int32_t>::min(), "W"}});

    Sequence farEnd = annotatedSequence({makeGene(4294967000u, 4294967200u, true, "E")}, {100});
    assignGeneContext(farEnd, Options(), farEnd.bases.size());
    expectContexts(farEnd, {{"Intergenic", 396, "E"}});
}

TEST(NearestGene, FinderChoosesTheGeneTheWalkChooses)
{
    // Sorted tables with repeated starts, sorted ones where some genes start
    // at their far end as complement genes do, unsorted ones, and some with
    // values past 2^31; hits before the first gene, between genes and after
    // the last, and hits so far on that their distances wrap in 32 bits.
    std::mt19937 random(4315);
    for (int table = 0; table < 600; ++table) {
        const int order = table % 3; // 0 unsorted, 1 sorted, 2 nearly sorted
        const std::uint32_t base = table % 10 == 9 ? 2147483000u : 0u;
        const std::uint32_t span = 200 + random() % 5000;
        std::vector<Gene> genes(1 + random() % 60);
        for (Gene& gene : genes) {
            gene.start = base + 100 + random() % span;
            gene.end = base + 100 + random() % span;
            gene.forward = random() % 2 == 0;
        }
        if (order != 0) {
            std::sort(genes.begin(), genes.end(), [](const Gene& a, const Gene& b) { return a.start < b.start; });
            if (genes.size() > 2)
                genes[1].start = genes[2].start;
        }
        if (order == 2) {
            for (Gene& gene : genes) {
                if (random() % 4 == 0)
                    gene.start += random() % 300;
            }
        }
        const NearestGeneFinder finder(genes);
        for (int hit = 0; hit < 200; ++hit) {
            const std::uint32_t near = base + random() % (span + 300);
            const std::uint32_t position = table % 10 == 8 && hit % 2 == 0 ? near - span - 400 : near;
            std::int32_t walkDistance = 0;
            std::int32_t finderDistance = 0;
            const std::size_t walked = nearestGeneByWalk(genes, position, walkDistance);
            ASSERT_EQ(finder.find(position, finderDistance), walked) << "table " << table << " position " << position;
            ASSERT_EQ(finderDistance, walkDistance) << "table " << table << " position " << position;
        }
    }
}

TEST(GeneContext, ManyHitsArePlacedAsEachAlone)
{
    // Many hits, each placed as it would be alone.
    std::mt19937 random(11);
    std::vector<Gene> genes;
    for (std::uint32_t start = 100; start < 90000; start += 700 + random() % 900)
        genes.push_back(random() % 2 == 0 ? makeGene(start, start + 500, true, std::to_string(start))
                                          : makeGene(start + 500, start, false, std::to_string(start)));
    std::vector<std::uint32_t> positions;
    for (int index = 0; index < 40000; ++index)
        positions.push_back(random() % 100000);
    Options options;
    Sequence many = annotatedSequence(genes, positions, 100000);
    assignGeneContext(many, options, many.bases.size());
    for (std::size_t index = 0; index < positions.size(); index += 97) {
        Sequence alone = annotatedSequence(genes, {positions[index]}, 100000);
        assignGeneContext(alone, options, alone.bases.size());
        const Hit& expected = alone.hits.front();
        const Hit& actual = many.hits[index];
        ASSERT_EQ(actual.context, expected.context) << "hit " << index;
        ASSERT_EQ(actual.distance, expected.distance);
        ASSERT_EQ(actual.geneIndex, expected.geneIndex);
    }
}
