// What both limit loops share: the FASTA input, the motif table and cut-off,
// the two strands of every record and the one output line. Only the scan of
// a strand differs between them.
//
// Prints: bases, scan milliseconds, milliseconds per Mb, windows passing.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace limit {

inline std::vector<std::string> readFasta(const std::string& fileName)
{
    std::ifstream in(fileName);
    std::vector<std::string> records;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '>') {
            records.emplace_back();
            continue;
        }
        if (records.empty())
            records.emplace_back();
        records.back() += line;
    }
    return records;
}

inline std::string reverseComplement(const std::string& bases)
{
    std::string reverse(bases.rbegin(), bases.rend());
    for (char& letter : reverse) {
        switch (letter) {
        case 'A': letter = 'T'; break;
        case 'C': letter = 'G'; break;
        case 'G': letter = 'C'; break;
        case 'T': letter = 'A'; break;
        default: break;
        }
    }
    return reverse;
}

// Runs scanStrand(text, strandLength, table, windowLength, cutoff) on both
// strands of every record, each strand as the real scan reads it: a circular
// text, its first windowLength letters repeated at its end, one window per
// letter. Only the scans are timed.
template <typename ScanStrand>
int runLimitLoop(int argc, char** argv, const char* name, ScanStrand scanStrand)
{
    if (argc != 3) {
        std::cerr << "usage: " << name << " FASTA_FILE WINDOW_LENGTH\n";
        return 2;
    }
    std::vector<std::string> records = readFasta(argv[1]);
    const std::size_t windowLength = std::stoul(argv[2]);

    // Scores of a typical motif model; the values do not change the speed.
    std::mt19937 random(1);
    std::uniform_real_distribution<double> entry(-3.0, 2.0);
    std::vector<double> table(windowLength * 256);
    for (double& value : table)
        value = entry(random);
    // Sums average -0.5 per column: about one window in sixteen of 20 letters
    // passes 0, enough for the counts of two loops to check each other.
    const double cutoff = 0.0;

    std::uint64_t bases = 0;
    std::uint64_t passing = 0;
    std::chrono::steady_clock::duration elapsed{};
    for (std::string& record : records) {
        if (record.size() < windowLength)
            continue;
        for (char& letter : record)
            letter = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 32 : letter);
        const std::string reverse = reverseComplement(record);
        for (const std::string* strand : {static_cast<const std::string*>(&record), &reverse}) {
            const std::string text = *strand + strand->substr(0, windowLength);
            const auto start = std::chrono::steady_clock::now();
            passing += scanStrand(text, strand->size(), table, windowLength, cutoff);
            elapsed += std::chrono::steady_clock::now() - start;
        }
        bases += record.size();
    }
    const double milliseconds = std::chrono::duration<double, std::milli>(elapsed).count();
    std::printf("%llu %.1f %.2f %llu\n", static_cast<unsigned long long>(bases), milliseconds,
                milliseconds / (static_cast<double>(bases) / 1e6), static_cast<unsigned long long>(passing));
    return 0;
}

} // namespace limit
