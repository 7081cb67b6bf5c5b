#!/usr/bin/env python3
"""The peer of the benchmark: Biopython's position-weight-matrix search.

Reads the sequence file (FASTA or GenBank, every record), builds the PSSM from
the site list (pseudocount 0.25 per letter, uniform background) and searches
both strands of every record. Prints the number of hits above the threshold.

Usage: peer_biopython.py SEQUENCE_FILE SITE_LIST [THRESHOLD]
"""
import sys

from Bio import SeqIO, motifs
from Bio.Seq import Seq


def main():
    sequence_file, site_file = sys.argv[1], sys.argv[2]
    threshold = float(sys.argv[3]) if len(sys.argv) > 3 else 3.0
    file_format = "genbank" if sequence_file.lower().endswith((".gb", ".gbk")) else "fasta"

    with open(site_file) as sites:
        instances = [Seq(line.strip().upper()) for line in sites if line.strip()]
    motif = motifs.create(instances)
    pssm = motif.counts.normalize(pseudocounts=0.25).log_odds()

    hits = 0
    for record in SeqIO.parse(sequence_file, file_format):
        sequence = record.seq.upper()
        if len(sequence) < motif.length:
            continue
        for _position, _score in pssm.search(sequence, threshold=threshold, both=True):
            hits += 1
    print(hits)


if __name__ == "__main__":
    main()
