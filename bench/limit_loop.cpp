// The speed limit of a window scan: for every window of both strands of every
// record, add one table entry per letter and compare the sum with a cut-off.
// Nothing else (no hit records, no logs), so a real scan can only be slower.
//
// Usage: limit_loop FASTA_FILE WINDOW_LENGTH
// Prints: bases, scan milliseconds, milliseconds per Mb, windows passing.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> readFasta(const std::string& fileName)
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

std::string reverseComplement(const std::string& bases)
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

// One pass as the real scan makes it: a circular text, one window per letter.
std::uint64_t scanStrand(const std::string& bases, const std::vector<double>& table, std::size_t windowLength,
                         double cutoff)
{
    const std::string text = bases + bases.substr(0, windowLength);
    const unsigned char* letters = reinterpret_cast<const unsigned char*>(text.data());
    std::uint64_t passing = 0;
    for (std::size_t offset = 0; offset + windowLength < text.size(); ++offset) {
        double sum = 0.0;
        for (std::size_t column = 0; column < windowLength; ++column)
            sum += table[column * 256 + letters[offset + column]];
        if (sum > cutoff)
            ++passing;
    }
    return passing;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: limit_loop FASTA_FILE WINDOW_LENGTH\n";
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
    const double cutoff = 0.9 * 2.0 * static_cast<double>(windowLength);

    std::uint64_t bases = 0;
    std::uint64_t passing = 0;
    std::chrono::steady_clock::duration elapsed{};
    for (std::string& record : records) {
        if (record.size() < windowLength)
            continue;
        for (char& letter : record)
            letter = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 32 : letter);
        const std::string reverse = reverseComplement(record);
        const auto start = std::chrono::steady_clock::now();
        passing += scanStrand(record, table, windowLength, cutoff);
        passing += scanStrand(reverse, table, windowLength, cutoff);
        elapsed += std::chrono::steady_clock::now() - start;
        bases += record.size();
    }
    const double milliseconds = std::chrono::duration<double, std::milli>(elapsed).count();
    std::printf("%llu %.1f %.2f %llu\n", static_cast<unsigned long long>(bases), milliseconds,
                milliseconds / (static_cast<double>(bases) / 1e6), static_cast<unsigned long long>(passing));
    return 0;
}
