#include "base/FileNames.h"

#include <initializer_list>

namespace {

constexpr std::string::size_type nameSearchLimit = 1024;
constexpr std::string::size_type extensionLength = 3;

// The name without a compression suffix.
std::string uncompressedName(const std::string& fileName)
{
    const std::string::size_type length = fileName.size();
    if (length > 3 && (fileName.compare(length - 3, 3, ".gz") == 0 || fileName.compare(length - 3, 3, ".GZ") == 0))
        return fileName.substr(0, length - 3);
    return fileName;
}

std::string::size_type lastDot(const std::string& fileName)
{
    return fileName.rfind('.', nameSearchLimit);
}

// The whole text after the last '.'; empty without one.
std::string suffixOf(const std::string& name)
{
    const std::string::size_type dot = lastDot(name);
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool isOneOf(const std::string& text, std::initializer_list<const char*> choices)
{
    for (const char* choice : choices)
        if (text == choice)
            return true;
    return false;
}

// Up to three characters after the last '.', or the name's first three.
std::string extensionOf(const std::string& fileName)
{
    const std::string name = uncompressedName(fileName);
    const std::string::size_type dot = lastDot(name);
    if (dot == std::string::npos)
        return name.substr(0, extensionLength);
    return name.substr(dot + 1, extensionLength);
}

// The whole text after the last '.', without ".gz", in lower case.
std::string lowerSuffixOf(const std::string& fileName)
{
    std::string suffix = suffixOf(uncompressedName(fileName));
    for (char& letter : suffix)
        if (letter >= 'A' && letter <= 'Z')
            letter = static_cast<char>(letter - 'A' + 'a');
    return suffix;
}

} // namespace

std::string stemOf(const std::string& fileName)
{
    const std::string name = uncompressedName(fileName);
    return name.substr(0, lastDot(name));
}

bool isFastaName(const std::string& fileName)
{
    return isOneOf(extensionOf(fileName), {"FAS", "FNA", "fas", "fna"})
        || isOneOf(suffixOf(uncompressedName(fileName)), {"fa", "FA", "fsa", "FSA"});
}

bool isGenBankName(const std::string& fileName)
{
    return isOneOf(extensionOf(fileName), {"GBK", "GB", "gbk", "gb"})
        || isOneOf(suffixOf(uncompressedName(fileName)), {"gbff", "GBFF"});
}

bool isEmblName(const std::string& fileName)
{
    return isOneOf(lowerSuffixOf(fileName), {"embl", "emb"});
}

bool isPlainListName(const std::string& fileName)
{
    return isOneOf(extensionOf(fileName), {"TXT", "txt"});
}

bool isGff3Name(const std::string& fileName)
{
    return isOneOf(lowerSuffixOf(fileName), {"gff", "gff3"});
}

MotifFormat matrixFormatOf(const std::string& fileName)
{
    const std::string suffix = lowerSuffixOf(fileName);
    if (isOneOf(suffix, {"tf", "transfac", "dat"}))
        return MotifFormat::transfac;
    if (suffix == "jaspar")
        return MotifFormat::jaspar;
    if (suffix == "pfm")
        return MotifFormat::pfm;
    if (suffix == "meme")
        return MotifFormat::meme;
    return MotifFormat::none;
}

bool isMatrixFileName(const std::string& fileName)
{
    return matrixFormatOf(fileName) != MotifFormat::none;
}

std::string outputStem(const std::string& sequenceFile, const std::string& outputFolder)
{
    const std::string stem = stemOf(sequenceFile);
    if (outputFolder.empty())
        return stem;
    const std::string::size_type slash = stem.rfind('/');
    const std::string base = slash == std::string::npos ? stem : stem.substr(slash + 1);
    return outputFolder.back() == '/' ? outputFolder + base : outputFolder + '/' + base;
}
