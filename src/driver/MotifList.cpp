#include "driver/MotifList.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "base/ErrorReport.h"
#include "base/FileNames.h"

namespace {

const std::string optionsSuffix = ".options.txt";

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string folderOf(const std::string& fileName)
{
    const std::string::size_type slash = fileName.rfind('/');
    return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

// NAME.options.txt beside the motif file, when there is one.
std::string ownOptionsFile(const std::string& motifFile, const std::string& name)
{
    const std::string candidate = folderOf(motifFile) + fileSafeName(name) + optionsSuffix;
    std::error_code failure;
    return std::filesystem::is_regular_file(candidate, failure) ? candidate : std::string();
}

bool isMotifFileName(const std::string& fileName)
{
    return isMatrixFileName(fileName) || isFastaName(fileName) || isPlainListName(fileName);
}

// The motifs of one file: each matrix of a matrix file, or the file's sites.
void addMotifsOf(const std::string& fileName, MotifList& list)
{
    if (isMatrixFileName(fileName)) {
        std::vector<CountMatrix> matrices = readMatrixFile(fileName, list.warnings);
        for (CountMatrix& matrix : matrices) {
            RunMotif& motif = list.motifs.emplace_back();
            motif.name = matrix.name;
            motif.fileName = fileName;
            motif.matrix = std::move(matrix);
        }
        return;
    }
    RunMotif& motif = list.motifs.emplace_back();
    const std::string stem = stemOf(fileName);
    motif.name = stem.substr(folderOf(stem).size());
    motif.fileName = fileName;
}

} // namespace

MotifList listMotifs(const std::string& motifPath)
{
    MotifList list;
    std::error_code failure;
    if (!std::filesystem::is_directory(motifPath, failure)) {
        addMotifsOf(motifPath, list);
        list.named = list.motifs.size() > 1;
    } else {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(motifPath, failure)) {
            const std::string name = entry.path().filename().string();
            std::error_code kindFailure;
            if (name.empty() || name[0] == '.' || endsWith(name, optionsSuffix) || !isMotifFileName(name)
                || !entry.is_regular_file(kindFailure))
                continue;
            names.push_back(name);
        }
        if (failure)
            reportFileError({"ERROR: The motif folder could not be read: " + motifPath});
        std::sort(names.begin(), names.end());
        const std::string folder = motifPath.back() == '/' ? motifPath : motifPath + '/';
        for (const std::string& name : names)
            addMotifsOf(folder + name, list);
        if (list.motifs.empty())
            reportError({"ERROR: The motif folder holds no motif file (sites as .txt or FASTA, or matrices as .tf, "
                         ".transfac, .dat, .jaspar, .pfm or .meme): "
                         + motifPath});
        list.named = true;
    }
    if (!list.named)
        return list;

    std::map<std::string, const RunMotif*> byName;
    for (RunMotif& motif : list.motifs) {
        const std::string safe = fileSafeName(motif.name);
        const auto [place, added] = byName.emplace(safe, &motif);
        if (!added)
            reportError({"ERROR: Two motifs are named " + safe + " (in " + place->second->fileName + " and "
                         + motif.fileName + "); each motif's files are named after it, so rename one."});
        motif.optionsFile = ownOptionsFile(motif.fileName, motif.name);
    }
    return list;
}

SiteCollection collectionOf(const RunMotif& motif, const Sequence& reference)
{
    if (!motif.matrix)
        return SiteCollection(motif.fileName, reference);
    return SiteCollection::fromCounts(motif.matrix->counts, reference, motif.name, motif.matrix->sites);
}

CountMatrix matrixOf(const SiteCollection& collection, const std::string& name)
{
    CountMatrix matrix;
    matrix.name = name;
    for (const MotifColumn& column : collection.columns)
        matrix.counts.push_back({column.countA, column.countC, column.countG, column.countT});
    matrix.sites = collection.siteTotal();
    return matrix;
}
