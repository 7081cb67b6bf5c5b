// The options reader on arbitrary file contents: any bytes must give either
// stored values or the defaults, never a crash.
#include <cstddef>
#include <cstdint>

#include "base/RunLog.h"
#include "options/Options.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz_support::InFuzzFolder inFolder;
    fuzz_support::writeBytes("Options.txt", data, size);
    RunLog log;
    Options options;
    readOptionsFile("Options.txt", log, options);
    methodName(options.methodCode);
    return 0;
}
