#pragma once

#include <string>

class SequenceSet;

// The proteins of the CDS of the set, as protein FASTA for tools that group
// proteins (ortholog clustering), so that they need no reader of GenBank,
// EMBL or GFF3 of their own: one record per CDS that gives a protein
// (proteinOf), in file order, through an OutputFile; a file that cannot be
// written goes through reportError.
//
// A record's header is ">SEQID|LOCUSTAG gene=NAME product=PRODUCT": the first
// word joins it to the hit tables, whose seq_id and locus_tag columns give
// the same two texts (white space or control characters in them become '_');
// gene= and product= follow where the CDS has them, product last, each its
// whole text. A CDS without a locus tag is named cds_N, N its number among
// its sequence's CDS in file order (those left out counted too, so that a
// name does not depend on them). A name already given in the file gets _2,
// _3, ... (two CDS of one locus tag, alternative starts of one gene).
// Letters 60 to a line, as the annotation tools write their protein files.
void writeProteinFasta(const SequenceSet& set, const std::string& fileName);
