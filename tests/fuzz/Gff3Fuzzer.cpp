// The GFF3 reader, with its sequences after ##FASTA, on arbitrary text read from memory.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "sequences/Gff3Reader.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz_support::InFuzzFolder inFolder;
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    TextLines text(input);
    std::vector<Sequence> sequences;
    try {
        readGff3File(text, "fuzz.gff", sequences);
        for (const Sequence& sequence : sequences)
            for (const Gene& gene : sequence.genes)
                if (gene.geneName.find(',') != std::string::npos || gene.product.find(',') != std::string::npos
                    || gene.locusTag.find(',') != std::string::npos)
                    __builtin_trap(); // gene texts go into comma-separated files
    } catch (const FatalError&) {
        // A reported input error is a correct outcome.
    }
    return 0;
}
