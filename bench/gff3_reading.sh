#!/usr/bin/env bash
# Reading a genome as GFF3 with its sequence after ##FASTA against reading it
# as GenBank: the example genome (examples/ecoli_k12.gbk) written as GFF3 by
# Biopython (every CDS with its locus tag, gene name and product, as
# annotation tools write them), the file judged by genometools' gff3validator,
# then the read phase of bench/phases.cpp on each, median of 9. Target: GFF3
# within 1.5 times GenBank.
#
# Usage: bench/gff3_reading.sh     (from anywhere; about a minute)
#
# Needs Debian's python3-biopython and genometools; builds the bench program
# in build-bench/ (BUILD_DIR overrides it).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target varno_phases -j2 > /dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - examples/ecoli_k12.gbk "$work/ecoli_k12.gff3" << 'EOF'
import sys
from urllib.parse import quote
from Bio import SeqIO

def escaped(text):
    return quote(text, safe=" ()[]{}:/.,'+-_|")

with open(sys.argv[2], "w") as out:
    out.write("##gff-version 3\n")
    records = list(SeqIO.parse(sys.argv[1], "genbank"))
    for record in records:
        out.write(f"##sequence-region {record.id} 1 {len(record)}\n")
    for record in records:
        out.write(f"{record.id}\tbench\tregion\t1\t{len(record)}\t.\t+\t.\tID={record.id};Is_circular=true\n")
        for number, feature in enumerate(f for f in record.features if f.type == "CDS"):
            location = feature.location
            if len(location.parts) > 1:
                continue  # a joined CDS has no coordinates in varno either
            qualifiers = feature.qualifiers
            attributes = [f"ID=cds{number}"]
            for key in ("locus_tag", "gene", "product"):
                if key in qualifiers:
                    attributes.append(f"{key}={escaped(qualifiers[key][0])}")
            strand = "-" if location.strand == -1 else "+"
            out.write(f"{record.id}\tbench\tCDS\t{int(location.start) + 1}\t{int(location.end)}\t.\t{strand}\t0\t"
                      + ";".join(attributes) + "\n")
    out.write("##FASTA\n")
    for record in records:
        out.write(f">{record.id}\n")
        letters = str(record.seq)
        for at in range(0, len(letters), 60):
            out.write(letters[at:at + 60] + "\n")
EOF
gt gff3validator "$work/ecoli_k12.gff3" > /dev/null

read_ms() {
    for turn in 1 2 3 4 5 6 7 8 9; do
        "$build/varno_phases" "$1" examples/lexa_sites.txt examples/Options.txt | tail -n 1 | awk '{ print $1 }'
    done | sort -g | sed -n 5p
}
genbank=$(read_ms examples/ecoli_k12.gbk)
gff3=$(read_ms "$work/ecoli_k12.gff3")
echo "Reading E. coli K-12 (median of 9): GenBank $genbank ms, GFF3 with ##FASTA $gff3 ms," \
    "$(python3 -c "print(f'{$gff3 / $genbank:.2f}')") times (target at most 1.5)"
