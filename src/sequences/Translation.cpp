#include "sequences/Translation.h"

#include <algorithm>
#include <array>

#include "sequences/LetterComplement.h"

namespace {

// NCBI's genetic codes as NCBI writes them: the codons in the order TTT,
// TTC, TTA, TTG, TCT, ... GGG (T C A G at each place, the first changing
// slowest). A codon marked '*' in the second line may end a protein even
// where the first gives it an amino acid (tables 27, 28 and 31 read such a
// codon inside a protein).
const std::array<GeneticCode, 27> geneticCodes = {{
    {1, "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "---M------**--*----M---------------M----------------------------"},
    {2, "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIMMTTTTNNKKSS**VVVVAAAADDEEGGGG",
     "----------**--------------------MMMM----------**---M------------"},
    {3, "FFLLSSSSYY**CCWWTTTTPPPPHHQQRRRRIIMMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**----------------------MM---------------M------------"},
    {4, "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--MM------**-------M------------MMMM---------------M------------"},
    {5, "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIMMTTTTNNKKSSSSVVVVAAAADDEEGGGG",
     "---M------**--------------------MMMM---------------M------------"},
    {6, "FFLLSSSSYYQQCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--------------*--------------------M----------------------------"},
    {9, "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNNKSSSSVVVVAAAADDEEGGGG",
     "----------**-----------------------M---------------M------------"},
    {10, "FFLLSSSSYY**CCCWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**-----------------------M----------------------------"},
    {11, "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "---M------**--*----M------------MMMM---------------M------------"},
    {12, "FFLLSSSSYY**CC*WLLLSPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**--*----M---------------M----------------------------"},
    {13, "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIMMTTTTNNKKSSGGVVVVAAAADDEEGGGG",
     "---M------**----------------------MM---------------M------------"},
    {14, "FFLLSSSSYYY*CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNNKSSSSVVVVAAAADDEEGGGG",
     "-----------*-----------------------M----------------------------"},
    {15, "FFLLSSSSYY*QCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------*---*--------------------M----------------------------"},
    {16, "FFLLSSSSYY*LCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------*---*--------------------M----------------------------"},
    {21, "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIMMTTTTNNNKSSSSVVVVAAAADDEEGGGG",
     "----------**-----------------------M---------------M------------"},
    {22, "FFLLSS*SYY*LCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "------*---*---*--------------------M----------------------------"},
    {23, "FF*LSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--*-------**--*-----------------M--M---------------M------------"},
    {24, "FFLLSSSSYY**CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSSKVVVVAAAADDEEGGGG",
     "---M------**-------M---------------M---------------M------------"},
    {25, "FFLLSSSSYY**CCGWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "---M------**-----------------------M---------------M------------"},
    {26, "FFLLSSSSYY**CC*WLLLAPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**--*----M---------------M----------------------------"},
    {27, "FFLLSSSSYYQQCCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--------------*--------------------M----------------------------"},
    {28, "FFLLSSSSYYQQCCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**--*--------------------M----------------------------"},
    {29, "FFLLSSSSYYYYCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--------------*--------------------M----------------------------"},
    {30, "FFLLSSSSYYEECC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "--------------*--------------------M----------------------------"},
    {31, "FFLLSSSSYYEECCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "----------**-----------------------M----------------------------"},
    {32, "FFLLSSSSYY*WCC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG",
     "---M------*---*----M------------MMMM---------------M------------"},
    {33, "FFLLSSSSYYY*CCWWLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSSKVVVVAAAADDEEGGGG",
     "---M-------*-------M---------------M---------------M------------"},
}};

// The bases a letter may stand for, one bit each in the tables' order: T 1,
// C 2, A 4, G 8; 0 for a byte that is no nucleotide code.
constexpr std::array<std::uint8_t, 256> baseSets = [] {
    std::array<std::uint8_t, 256> sets{};
    const char* letters = "TUCAGRYSWKMBDHVN";
    const std::uint8_t bits[] = {1,     1,     2,     4,         8,         4 | 8,     2 | 1,     8 | 2,
                                 4 | 1, 8 | 1, 4 | 2, 2 | 8 | 1, 4 | 8 | 1, 4 | 2 | 1, 4 | 2 | 8, 15};
    for (int i = 0; letters[i] != '\0'; ++i)
        sets[static_cast<unsigned char>(letters[i])] = bits[i];
    return sets;
}();

// The letters of the CDS in the order it reads them: each part's, the
// reverse strand's complemented from its high end down; a part past the
// sequence's end runs on from its start. False where a part lies beyond
// that or the sequence is empty.
bool appendCodingLetters(const std::string& bases, const std::vector<LocationPart>& parts, std::string& letters)
{
    const std::uint64_t length = bases.size();
    for (const LocationPart& part : parts) {
        if (length == 0 || part.low == 0 || part.high < part.low || part.high - part.low >= length || part.low > length)
            return false;
        const std::size_t from = letters.size();
        for (std::uint64_t position = part.low; position <= part.high; ++position)
            letters += bases[(position - 1) % length];
        if (!part.forward) {
            std::reverse(letters.begin() + static_cast<std::ptrdiff_t>(from), letters.end());
            std::transform(letters.begin() + static_cast<std::ptrdiff_t>(from), letters.end(),
                           letters.begin() + static_cast<std::ptrdiff_t>(from), complementOf);
        }
    }
    return true;
}

} // namespace

const GeneticCode* GeneticCode::numbered(unsigned number)
{
    for (const GeneticCode& code : geneticCodes)
        if (code.number == number)
            return &code;
    return nullptr;
}

char GeneticCode::commonLetter(const char* line, const char* codon) const
{
    const std::uint8_t first = baseSets[static_cast<unsigned char>(codon[0])];
    const std::uint8_t second = baseSets[static_cast<unsigned char>(codon[1])];
    const std::uint8_t third = baseSets[static_cast<unsigned char>(codon[2])];
    // Nearly every codon is of plain bases, one bit each: its place at once.
    constexpr signed char placeOf[16] = {-1, 0, 1, -1, 2, -1, -1, -1, 3, -1, -1, -1, -1, -1, -1, -1};
    if (placeOf[first] >= 0 && placeOf[second] >= 0 && placeOf[third] >= 0)
        return line[16 * placeOf[first] + 4 * placeOf[second] + placeOf[third]];
    char letter = '\0';
    bool some = false;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) {
                if (((first >> i) & (second >> j) & (third >> k) & 1) == 0)
                    continue;
                const char found = line[16 * i + 4 * j + k];
                if (some && found != letter)
                    return '\0';
                letter = found;
                some = true;
            }
    return letter;
}

char GeneticCode::aminoAcid(const char* codon) const
{
    const char letter = commonLetter(aminoAcids, codon);
    return letter == '\0' ? 'X' : letter;
}

bool GeneticCode::isStart(const char* codon) const
{
    return commonLetter(starts, codon) == 'M';
}

bool GeneticCode::isStop(const char* codon) const
{
    return commonLetter(starts, codon) == '*' || commonLetter(aminoAcids, codon) == '*';
}

std::string translateCds(std::string_view letters, const GeneticCode& code, bool wholeStart)
{
    std::size_t codons = letters.size() / 3;
    if (codons > 0 && code.isStop(&letters[3 * (codons - 1)]))
        --codons;
    std::string protein;
    protein.reserve(codons);
    for (std::size_t i = 0; i < codons; ++i)
        protein += code.aminoAcid(&letters[3 * i]);
    if (wholeStart && codons > 0 && code.isStart(letters.data()))
        protein[0] = 'M';
    return protein;
}

std::string proteinOf(const Sequence& sequence, std::size_t geneIndex)
{
    const CodingRecord& coding = sequence.coding[geneIndex];
    if (coding.pseudo)
        return std::string();
    std::string protein = coding.translation;
    // Some writers end a given translation with its stop.
    if (!protein.empty() && protein.back() == '*')
        protein.pop_back();
    if (protein.empty()) {
        const GeneticCode* code = GeneticCode::numbered(coding.table);
        std::string letters;
        if (code == nullptr || coding.parts.empty() || !appendCodingLetters(sequence.bases, coding.parts, letters)
            || letters.size() < coding.codonStart - 1u)
            return std::string();
        const LocationPart& first = coding.parts.front();
        const bool wholeStart = coding.codonStart == 1 && !(first.forward ? first.partialLow : first.partialHigh);
        protein = translateCds(std::string_view(letters).substr(coding.codonStart - 1u), *code, wholeStart);
    }
    if (protein.find('*') != std::string::npos)
        return std::string();
    return protein;
}
