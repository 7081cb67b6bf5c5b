// The choice of the instruction set that windows are scored with. Highway
// compiles each kernel once per set; its own dispatch (HWY_EXPORT) needs its
// shared library, which spends some 5 ms of processor time whenever a process
// loads it, a quarter of a small genome's whole run. So the sets are chosen
// here, from a table that the build ties to Highway's list of sets
// (VectorSetTable.h), with the compiler's own processor checks: the features
// checked for each set are the ones Highway compiles it for, read from its
// target string, and a feature with no check fails the build.
#include "scoring/VectorSets.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string_view>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scoring/VectorSets.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#ifndef VARNO_VECTOR_SETS_ONCE
#define VARNO_VECTOR_SETS_ONCE

#include "scoring/VectorSetTable.h"

namespace varno_simd {

// The processor features each set's code is compiled for, as Highway names
// them to the compiler, comma-separated.
template <std::int64_t Set>
struct Features {
    static constexpr const char* value = nullptr;
};

} // namespace varno_simd

#endif

#if HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
template <>
struct varno_simd::Features<HWY_TARGET> {
    static constexpr const char* value = HWY_TARGET_STR;
};
#endif

#if HWY_ONCE

namespace {

struct FeatureCheck {
    std::string_view name;
    bool (*present)();
};

// Every feature Highway compiles an x86-64 set for, with the compiler's check
// of this processor for it (which includes the system's support for the
// wider registers). CMakeLists.txt leaves out the half-precision conversions
// (F16C), which not every compiler can check for and no kernel here uses.
constexpr FeatureCheck featureChecks[] = {
#if HWY_ARCH_X86
    {"sse2", [] { return __builtin_cpu_supports("sse2") != 0; }},
    {"ssse3", [] { return __builtin_cpu_supports("ssse3") != 0; }},
    {"sse4.1", [] { return __builtin_cpu_supports("sse4.1") != 0; }},
    {"sse4.2", [] { return __builtin_cpu_supports("sse4.2") != 0; }},
    {"pclmul", [] { return __builtin_cpu_supports("pclmul") != 0; }},
    {"aes", [] { return __builtin_cpu_supports("aes") != 0; }},
    {"avx", [] { return __builtin_cpu_supports("avx") != 0; }},
    {"avx2", [] { return __builtin_cpu_supports("avx2") != 0; }},
    {"bmi", [] { return __builtin_cpu_supports("bmi") != 0; }},
    {"bmi2", [] { return __builtin_cpu_supports("bmi2") != 0; }},
    {"fma", [] { return __builtin_cpu_supports("fma") != 0; }},
    {"avx512f", [] { return __builtin_cpu_supports("avx512f") != 0; }},
    {"avx512vl", [] { return __builtin_cpu_supports("avx512vl") != 0; }},
    {"avx512dq", [] { return __builtin_cpu_supports("avx512dq") != 0; }},
    {"avx512bw", [] { return __builtin_cpu_supports("avx512bw") != 0; }},
#endif
    {"", nullptr}};

constexpr const FeatureCheck* checkOf(std::string_view name)
{
    for (const FeatureCheck& check : featureChecks)
        if (check.present != nullptr && check.name == name)
            return &check;
    return nullptr;
}

// Calls visit with each feature of a comma-separated list until it returns false.
template <class Visit>
constexpr bool everyFeature(std::string_view names, Visit visit)
{
    while (!names.empty()) {
        const std::size_t comma = std::min(names.find(','), names.size());
        if (!visit(names.substr(0, comma)))
            return false;
        names.remove_prefix(std::min(comma + 1, names.size()));
    }
    return true;
}

constexpr auto setFeatures = varno_simd::perVectorSet<varno_simd::Features>();

constexpr bool everyFeatureChecked()
{
    for (const char* names : setFeatures)
        if (names != nullptr && !everyFeature(names, [](std::string_view name) { return checkOf(name) != nullptr; }))
            return false;
    return true;
}
static_assert(everyFeatureChecked(),
              "Highway compiles a vector set for a processor feature missing from featureChecks");

bool offered(std::size_t set)
{
    return setFeatures[set] != nullptr
        && everyFeature(setFeatures[set], [](std::string_view name) { return checkOf(name)->present(); });
}

// The vector sets this machine has and this build holds, best first.
std::vector<std::size_t> offeredSets()
{
    __builtin_cpu_init();
    std::vector<std::size_t> sets;
    for (std::size_t set = 0; set < setFeatures.size(); ++set)
        if (offered(set))
            sets.push_back(set);
    return sets;
}

std::string nameOf(std::size_t set)
{
    return hwy::TargetName(varno_simd::vectorSets[set]);
}

constexpr std::size_t scalarPath = varno_simd::vectorSets.size();
std::size_t chosen = scalarPath;
std::once_flag environmentRead;

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool choosePath(const std::string& name)
{
    if (sameName(name, "scalar")) {
        chosen = scalarPath;
        return true;
    }
    for (const std::size_t set : offeredSets()) {
        if (sameName(name, nameOf(set))) {
            chosen = set;
            return true;
        }
    }
    return false;
}

// The best set unless the environment names another. One named there that
// this machine lacks is passed over here, the best one it has scoring the
// same; a run refuses such a name first (vectorSetChoiceError).
void readEnvironment()
{
    std::call_once(environmentRead, [] {
        const std::vector<std::size_t> sets = offeredSets();
        if (!sets.empty())
            chosen = sets.front();
        if (const char* name = std::getenv("VARNO_SIMD"))
            choosePath(name);
    });
}

} // namespace

std::size_t chosenVectorSet()
{
    readEnvironment();
    return chosen;
}

std::string scoringPath()
{
    readEnvironment();
    return chosen == scalarPath ? "scalar" : nameOf(chosen);
}

std::vector<std::string> scoringPaths()
{
    readEnvironment();
    std::vector<std::string> paths = {"scalar"};
    for (const std::size_t set : offeredSets())
        paths.push_back(nameOf(set));
    return paths;
}

std::string vectorSetChoiceError()
{
    const char* name = std::getenv("VARNO_SIMD");
    if (name == nullptr || *name == '\0')
        return std::string();
    std::string accepted;
    for (const std::string& path : scoringPaths()) {
        if (sameName(name, path))
            return std::string();
        accepted += (accepted.empty() ? "" : ", ") + path;
    }
    return "ERROR: VARNO_SIMD=" + std::string(name) + " names no instruction set this machine offers; it takes "
         + accepted + " (in any case), or leave it unset for the best.";
}

bool chooseScoringPath(const std::string& name)
{
    readEnvironment();
    return choosePath(name);
}

#endif
