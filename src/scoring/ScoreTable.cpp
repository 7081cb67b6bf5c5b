#include "scoring/ScoreTable.h"

#include "motif/SiteCollection.h"
#include "scoring/Scoring.h"

ScoreTable::ScoreTable(std::int32_t method, const Sequence& sequence, const SiteCollection& collection)
    : length(collection.siteLength), terms(static_cast<std::size_t>(collection.siteLength) * rowLength, 0.0)
{
    const TermInputs inputs(collection, sequence);
    // Codes outside 1..11 have only zero terms.
    for (std::size_t k = 0; k < length; ++k) {
        for (std::size_t byte = 0; byte < rowLength; ++byte) {
            const auto letter = static_cast<unsigned char>(byte);
            terms[k * rowLength + byte] =
                letterTerm(method, inputs, k, letter, updatedColumnMeasure(method, inputs, k, letter));
        }
    }
}
