#!/usr/bin/env bash
# Rewrites the goldens of the files for other tools from a run of the example
# genome: the heads of the TSV, BED and GFF3 tracks (every '#' line and the
# first rows, as tests/driver/HitTracksTest.cpp compares them) and the whole
# regulon table (tests/driver/RegulonTest.cpp, tests/report/HtmlReportTest.cpp).
# The HTML report has no golden: its tests check what the page holds.
#
# The goldens of the results file, the run log and the diagnostic logs are
# never regenerated: they hold what every run has always written, and a
# change that alters them is a fault, not a new golden.
#
# Usage: tests/data/e2e/regenerate.sh VARNO        (then review `git diff`)
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "Usage: $0 VARNO" >&2
    exit 2
fi
varno=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
examples=$here/../../../examples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$examples/ecoli_k12.gbk" "$examples/lexa_sites.txt" "$examples/Options.txt" "$work/"
(cd "$work" && "$varno" --tsv --bed --gff3 --regulon ecoli_k12.gbk lexa_sites.txt Options.txt > /dev/null)

stem=ecoli_k12_Rsequence_Ri_0.800
# Every '#' line and the first `rows` other lines.
head_of() {
    awk -v rows="$2" '!/^#/ && rows-- == 0 { exit } { print }' "$1"
}
head_of "$work/$stem.tsv" 21 > "$here/$stem.tsv.head"
head_of "$work/$stem.bed" 20 > "$here/$stem.bed.head"
head_of "$work/$stem.gff3" 21 > "$here/$stem.gff3.head"
cp "$work/${stem}_regulon.tsv" "$here/${stem}_regulon.tsv"
echo "Rewrote the TSV, BED and GFF3 heads and the regulon table in $(basename "$here")/; review them with git diff."
