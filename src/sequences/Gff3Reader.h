#pragma once

#include <string>
#include <vector>

#include "base/TextLines.h"
#include "sequences/Sequence.h"

// GFF3 annotation, as Prokka, Bakta and other annotation tools write it. The
// CDS features of a sequence (column 1 = its id) become its genes in file
// order, built as the GenBank reader builds them: 1-based, on the gene's own
// strand; a CDS of several lines sharing one ID, or one that runs past its
// sequence's end (it crosses the origin), is a joined location and keeps 0
// for both coordinates, as join(...) does in a GenBank record. Every sequence
// the annotation is given to takes sourceFormat 'G', so that its hits get
// gene context as a GenBank record's do. With `codingRecords`, each sequence
// also gets what the proteins of its CDS are made from (Sequence::coding):
// the parts of the lines of one ID, the first part's phase, the attributes
// translation, transl_table and pseudo.
//
// A broken feature line (other than 9 tab-separated columns, a coordinate
// that is not a whole number, a strand other than + - . ?, a start after its
// end) or a sequence id that names no sequence ends the run through
// reportError, naming the file and the line.

// Appends the sequences of a GFF3 file that holds them after a "##FASTA"
// line (plain or gzip), each with its genes.
void readGff3File(const std::string& fileName, std::vector<Sequence>& sequences, bool codingRecords = false);
void readGff3File(TextLines& text, const std::string& fileName, std::vector<Sequence>& sequences,
                  bool codingRecords = false);

// Gives the sequences already read (from a FASTA file) the CDS of a separate
// GFF3 file (plain or gzip), each to the sequence whose id is its column 1.
void readGff3Genes(const std::string& fileName, std::vector<Sequence>& sequences, bool codingRecords = false);
void readGff3Genes(TextLines& text, const std::string& fileName, std::vector<Sequence>& sequences,
                   bool codingRecords = false);
