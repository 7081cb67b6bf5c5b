#pragma once

#include <optional>
#include <string>
#include <vector>

#include "motif/CountMatrix.h"
#include "motif/SiteCollection.h"

// One motif of a run: where its model comes from, and the settings file of
// its own when it has one.
struct RunMotif {
    std::string name;                  // the matrix's name, or the site file's name without folder and extension
    std::string fileName;              // the motif file it was read from
    std::optional<CountMatrix> matrix; // a count matrix; else fileName holds its sites
    std::string optionsFile;           // NAME.options.txt beside the motif file; empty when there is none
};

// The motifs a run scans over the sequences it reads once.
struct MotifList {
    std::vector<RunMotif> motifs;
    // Whether each motif's files carry its name: a folder of motif files, or
    // a file of several matrices. A file of one motif keeps the names a run
    // has always given its files.
    bool named = false;
    std::vector<std::string> warnings; // for the run log, from reading the matrices
};

// The motifs of MOTIF_FILE: a site list or site FASTA (one motif, read later
// against the reference sequence), a matrix file (each of its matrices), or a
// folder of such files, taken in the order of their names (hidden files,
// NAME.options.txt and files of other kinds left out). Two motifs of one name
// would write over each other's files: an error, through reportError, as is
// a folder without any motif file.
MotifList listMotifs(const std::string& motifPath);

// The model of one motif, built against the reference sequence.
SiteCollection collectionOf(const RunMotif& motif, const Sequence& reference);

// A model as a count matrix, to be written for other tools.
CountMatrix matrixOf(const SiteCollection& collection, const std::string& name);
