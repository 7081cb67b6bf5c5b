// The GenBank reader, every record of the file, on arbitrary text read from memory.
#include <cstddef>
#include <cstdint>

#include "sequences/GenBankReader.h"
#include "ReaderFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz_support::fuzzReader(
        data, size, true, [](TextLines& text, std::vector<Sequence>& sequences) { readGenBankFile(text, sequences); });
}
