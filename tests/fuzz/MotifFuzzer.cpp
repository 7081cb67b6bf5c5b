// The site collection readers and the motif model on arbitrary file contents.
// The first byte chooses the reader (plain list or multi-FASTA) and the
// reference background (uniform, or one without C and G, whose zero
// probabilities the model must survive).
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/ErrorReport.h"
#include "motif/Background.h"
#include "motif/SiteCollection.h"
#include "sequences/Sequence.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz_support::InFuzzFolder inFolder;
    if (size == 0)
        return 0;
    const std::uint8_t choice = data[0];
    const std::string name = (choice & 1) != 0 ? "sites.fas" : "sites.txt";
    fuzz_support::writeBytes(name, data + 1, size - 1);

    Sequence reference;
    if ((choice & 2) != 0) {
        reference.bases = "AATTTA";
        computeBackground(reference);
    }
    try {
        SiteCollection collection(name, reference);
        if (collection.sites.empty() || collection.columns.size() != collection.siteLength)
            __builtin_trap();
    } catch (const FatalError&) {
        // A reported input error is a correct outcome.
    }
    return 0;
}
