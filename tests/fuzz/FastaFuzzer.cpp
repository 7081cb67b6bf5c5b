// The FASTA path of the sequence set on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "base/ErrorReport.h"
#include "sequences/SequenceSet.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz_support::InFuzzFolder inFolder;
    fuzz_support::writeBytes("input.fas", data, size);
    try {
        SequenceSet set("input.fas");
        for (const Sequence& sequence : set.sequences)
            if (sequence.bases.empty())
                __builtin_trap(); // a record without letters must have been rejected
    } catch (const FatalError&) {
        // A reported input error is a correct outcome.
    }
    return 0;
}
