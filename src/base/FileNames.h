#pragma once

#include <string>

// The rules by which a file name gives its stem and its kind. A name ending
// in ".gz" or ".GZ" (a compressed file) is taken without that suffix by every
// rule. Names are searched for their last '.' only up to index 1024.

// The name up to its last '.' (directory part kept); the whole name when it has none.
std::string stemOf(const std::string& fileName);

// The stem every output file of a run is named from: the sequence file's
// stem, moved into `outputFolder` when one is given.
std::string outputStem(const std::string& sequenceFile, const std::string& outputFolder);

// The kinds of file told by their names. The extension is up to three
// characters after the last '.' (without a '.', the first three of the
// name): FAS or FNA for FASTA, GBK or GB for GenBank, TXT for a plain list,
// in upper or lower case. FASTA also takes fa and fsa, GenBank gbff, each in
// upper or lower case and as the whole text after the last '.'.
bool isFastaName(const std::string& fileName);
bool isGenBankName(const std::string& fileName);
// EMBL flat files: "embl" or "emb", in any case, as the whole text after the last '.'.
bool isEmblName(const std::string& fileName);
bool isPlainListName(const std::string& fileName);
// GFF3 annotation: "gff" or "gff3" as the whole text after the last '.',
// in any case.
bool isGff3Name(const std::string& fileName);

// The formats of count matrix files, told by the whole text after the last
// '.', in any case: TRANSFAC "tf", "transfac" or "dat"; JASPAR "jaspar";
// "pfm" (plain rows or columns of numbers); MEME minimal "meme".
enum class MotifFormat { none, transfac, jaspar, pfm, meme };
MotifFormat matrixFormatOf(const std::string& fileName);
bool isMatrixFileName(const std::string& fileName);
