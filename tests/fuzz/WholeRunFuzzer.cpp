// A complete run on three fuzzed files. The input is a flag byte followed by
// the sequence file, the motif file and the options file, separated by the
// byte 0x1E. Flag bits: 1 GenBank instead of FASTA, 2 multi-FASTA sites
// instead of a plain list, 4 no options file at all (the defaults apply).
// Every file of the run has a fixed name in the private working folder, and
// the names the run derives from them (logs, results) stay in that folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/ErrorReport.h"
#include "driver/AnalysisRun.h"
#include "FuzzSupport.h"

namespace {

constexpr char separator = '\x1e';
// The scan costs letters times site length; beyond this an input would only
// slow the fuzzer down without reaching new code.
constexpr std::size_t maximumInputSize = 8192;

// Takes the text up to the next separator (or the end) from `rest`.
std::string takePart(std::string& rest)
{
    const std::string::size_type end = rest.find(separator);
    std::string part = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    return part;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > maximumInputSize)
        return 0;
    const fuzz_support::InFuzzFolder inFolder;
    inFolder.folder().empty();
    const std::uint8_t flags = data[0];
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string sequenceFile = (flags & 1) != 0 ? "genome.gb" : "genome.fas";
    const std::string motifFile = (flags & 2) != 0 ? "sites.fas" : "sites.txt";
    fuzz_support::writeBytes(sequenceFile, takePart(rest));
    fuzz_support::writeBytes(motifFile, takePart(rest));
    if ((flags & 4) == 0)
        fuzz_support::writeBytes("Options.txt", takePart(rest));

    const char* const argv[] = {"varno", sequenceFile.c_str(), motifFile.c_str(), "Options.txt", nullptr};
    try {
        runAnalysis(4, argv);
    } catch (const FatalError&) {
        // The entry point turns this into exit status 1; here it is a correct outcome.
    }
    return 0;
}
