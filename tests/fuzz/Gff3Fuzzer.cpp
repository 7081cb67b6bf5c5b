// The GFF3 reader, with its sequences after ##FASTA, on arbitrary text read from memory.
#include <cstddef>
#include <cstdint>

#include "sequences/Gff3Reader.h"
#include "ReaderFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz_support::fuzzReader(data, size, false, [](TextLines& text, std::vector<Sequence>& sequences) {
        readGff3File(text, "fuzz.gff", sequences);
    });
}
