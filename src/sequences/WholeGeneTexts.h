#pragma once

#include <memory>
#include <string>

#include "sequences/Gene.h"

// Keeps the gene's texts, each given whole on one line, as the GenBank reader
// keeps a one-line value: the whole value apart where it holds a comma, which
// cleanGeneTexts then turns to '.' in the shown text. For readers and callers
// that get the values whole (GFF3, a binding's records).
inline void keepWholeGeneTexts(Gene& gene)
{
    const auto comma = [](const std::string& text) { return text.find(',') != std::string::npos; };
    if (!comma(gene.locusTag) && !comma(gene.geneName) && !comma(gene.product))
        return;
    auto whole = std::make_shared<Gene::WholeTexts>();
    whole->locusTag = comma(gene.locusTag) ? gene.locusTag : std::string();
    whole->geneName = comma(gene.geneName) ? gene.geneName : std::string();
    whole->product = comma(gene.product) ? gene.product : std::string();
    gene.whole = std::move(whole);
}
