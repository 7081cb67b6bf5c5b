#pragma once

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "base/TextLines.h"
#include "sequences/Sequence.h"
#include "FuzzSupport.h"

namespace fuzz_support {

// Runs read(text, sequences), a reader of sequence files, on arbitrary text
// read from memory, then checks what every reader must give: no gene text
// with a comma (they go into comma-separated files) and, when
// `lettersRequired`, no record without letters. A reported input error is a
// correct outcome.
template <typename Read>
int fuzzReader(const std::uint8_t* data, std::size_t size, bool lettersRequired, Read read)
{
    const InFuzzFolder inFolder;
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    TextLines text(input);
    std::vector<Sequence> sequences;
    try {
        read(text, sequences);
        for (const Sequence& sequence : sequences) {
            if (lettersRequired && sequence.bases.empty())
                __builtin_trap(); // a record without bases must have been rejected
            for (const Gene& gene : sequence.genes)
                if (gene.geneName.find(',') != std::string::npos || gene.product.find(',') != std::string::npos
                    || gene.locusTag.find(',') != std::string::npos)
                    __builtin_trap();
        }
    } catch (const FatalError&) {
    }
    return 0;
}

} // namespace fuzz_support
