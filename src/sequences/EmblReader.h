#pragma once

#include <vector>

#include "base/TextLines.h"
#include "sequences/Sequence.h"

// Appends one sequence per record of an EMBL flat file (as ENA hands them
// out), in file order. A record is read as the GenBank record it stands for:
// its ID line gives the LOCUS (name, length, topology), its DE lines the
// DEFINITION, AC and the ID line's SV the accession.version that is the
// sequence's id, its FT lines the features (the same keys, locations and
// qualifiers, in the same columns) and its SQ section the letters; so its
// genes and names come out as the GenBank reader makes them, and with
// `codingRecords` what their proteins are made from too.
void readEmblFile(TextLines& text, std::vector<Sequence>& sequences, bool codingRecords = false);
