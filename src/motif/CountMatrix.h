#pragma once

#include <array>
#include <istream>
#include <string>
#include <vector>

#include "base/FileNames.h"

// A motif as the databases hand it out: the weighted counts of each base at
// each position, with no site strings behind them.
struct CountMatrix {
    // One word: the ID of a TRANSFAC record (else its AC), the first word of
    // a JASPAR or .pfm name line, a MEME MOTIF id; else "<stem>_<index>".
    std::string name;
    // Weighted counts of A, C, G and T at each position, in that order.
    std::vector<std::array<double, 4>> counts;
    // N, the number of sites the counts stand for: the largest column total
    // of a count matrix; for a matrix given as frequencies or percentages the
    // number the file gives (nsites=, "CC sites:"), else assumedSites.
    double sites = 0.0;
    // N was not in the file and assumedSites was taken (with a warning).
    bool sitesAssumed = false;
};

// The number of sites taken for a matrix of frequencies whose file gives none.
constexpr double assumedSites = 20.0;

// The readers, one per format. Each takes the text and the file's name for
// messages, and returns every matrix of the file in order. Values may be
// counts, frequencies (every column total within 0.01 of 1) or percentages
// (every total within 1 of 100); MEME matrices are always frequencies. The
// counts of frequencies are each column's values over its own total, times
// N. A warning ("WARNING: ...", one line each) is added to `warnings` for
// each matrix whose N had to be assumed. A file that breaks its format, a
// negative or non-numeric value, a column totalling 0 or a file without a
// matrix goes through reportError, naming the file and the line.
//
// TRANSFAC: records of two-letter fields ending in "//"; the matrix under a
// P0 (or PO) line of the columns' bases, one numbered row per position, a
// consensus letter after the four values allowed; "CC sites: N" gives N.
std::vector<CountMatrix> readTransfac(std::istream& input, const std::string& fileName,
                                      std::vector<std::string>& warnings);
// JASPAR: a ">ID name" line, then four rows "A [ ... ]", "C [ ... ]", ...
// (labels in any order; unlabelled rows are A, C, G, T).
std::vector<CountMatrix> readJaspar(std::istream& input, const std::string& fileName,
                                    std::vector<std::string>& warnings);
// .pfm: matrices separated by blank lines, each optionally after a '>' or
// '#' name line (a '>' line wins) and lines of text. A matrix is four rows,
// labelled by their base in any order or unlabelled (A, C, G, T), or one
// line per position of four values under a header of the bases ("Pos A C
// G T", "T A G C") or without one. Four unlabelled lines are always rows.
std::vector<CountMatrix> readPfm(std::istream& input, const std::string& fileName, std::vector<std::string>& warnings);
// MEME minimal format: "ALPHABET= ACGT" (any other alphabet is an error),
// then "MOTIF id" and "letter-probability matrix: alength= 4 w= W nsites=
// N" with W rows of four probabilities each.
std::vector<CountMatrix> readMeme(std::istream& input, const std::string& fileName, std::vector<std::string>& warnings);

// Opens a matrix file (plain or gzip-compressed) and reads it with the
// reader its name calls for (matrixFormatOf); a name of no matrix format is
// an error.
std::vector<CountMatrix> readMatrixFile(const std::string& fileName, std::vector<std::string>& warnings);

// Writes the matrices as one file of `format`, values with 17 significant
// digits, names with blanks made '_':
// - transfac: the counts and "CC  sites: N"; they read back to the last bit.
// - jaspar: the counts in bracketed rows, likewise. The format has no place
//   for N: counts that total 1, or 99 to 101, in every column read back as
//   frequencies or percentages of 20 sites.
// - meme: each column's frequencies (counts over its total), nsites= N and
//   `background` as the header's letter frequencies. Each column reads back
//   as its frequencies times N, to within a rounding of the last digit.
// Another format, or a file that cannot be written, goes through reportError.
void writeMatrixFile(const std::vector<CountMatrix>& matrices, MotifFormat format, const std::string& fileName,
                     const std::array<double, 4>& background = {0.25, 0.25, 0.25, 0.25});

// The motif name made fit to be part of a file name: each byte outside
// A-Z, a-z, 0-9, '.', '_' and '-' becomes '_' ("DinR/LexA" gives
// "DinR_LexA").
std::string fileSafeName(const std::string& motifName);
