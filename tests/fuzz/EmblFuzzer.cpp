// The EMBL reader, every record of the file, on arbitrary text read from memory.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "sequences/EmblReader.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz_support::InFuzzFolder inFolder;
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    TextLines text(input);
    std::vector<Sequence> sequences;
    try {
        readEmblFile(text, sequences);
        for (const Sequence& sequence : sequences)
            if (sequence.bases.empty())
                __builtin_trap(); // a record without bases must have been rejected
    } catch (const FatalError&) {
        // A reported input error is a correct outcome.
    }
    return 0;
}
