#!/usr/bin/env bash
# Times the many-genomes workflow on 2 cores (diagnostic logs off, one thread
# per varno run): 1,000 links to the 9.6 kb plasmid pPCP1, the whole run; then
# 1,000 links to the example E. coli genome, its scanning against the sum of
# the varno runs' own wall times (from the batch logs) over the cores, and the
# gathering (hits, regulon table, heat map) on its own.
# Usage: bench/workflow.sh [varno executable] [genomes]   (default build/varno, 1000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
varno=$(realpath "${1:-$root/build/varno}")
count=${2:-1000}
cores=2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
sed 's/^\(Write diagnostic logs[^$]*\)\$1/\1$0/' "$root/examples/Options.txt" > Options.txt
run=(snakemake -s "$root/workflow/Snakefile" --cores $cores --quiet
     --config sites="$root/examples/lexa_sites.txt" options=Options.txt varno="$varno")

# The sum of the varno wall times the batch logs give, over the cores.
varno_seconds() {
    cat "$1"/logs/batches/*.txt | sed -n 's/.*: varno \([0-9.]*\) s.*/\1/p' |
        awk -v cores=$cores '{ sum += $1 } END { printf "%.1f", sum / cores }'
}

mkdir small bacterial
for i in $(seq -w 1 "$count"); do
    ln -s "$root/tests/data/workflow/genomes/NC_005816.fna" small/p$i.fna
    ln -s "$root/examples/ecoli_k12.gbk" bacterial/e$i.gbk
done

start=$(date +%s.%N)
VARNO_THREADS=1 "${run[@]}" genomes=small output=small_out > small.log 2>&1 || { cat small.log; exit 1; }
end=$(date +%s.%N)
echo "$count x pPCP1 (9.6 kb), LexA: whole run $(awk "BEGIN { print $end - $start }") s;" \
     "varno's own time over $cores cores $(varno_seconds small_out) s"

start=$(date +%s.%N)
VARNO_THREADS=1 "${run[@]}" genomes=bacterial output=bacterial_out --until scan_batch > scan.log 2>&1 ||
    { cat scan.log; exit 1; }
middle=$(date +%s.%N)
VARNO_THREADS=1 "${run[@]}" genomes=bacterial output=bacterial_out > gather.log 2>&1 || { cat gather.log; exit 1; }
end=$(date +%s.%N)
scan=$(awk "BEGIN { print $middle - $start }")
own=$(varno_seconds bacterial_out)
echo "$count x E. coli K-12 (4.6 Mb), LexA: scanning $scan s; varno's own time over $cores cores $own s;" \
     "ratio $(awk "BEGIN { printf \"%.2f\", $scan / $own }")"
echo "gathering $(awk "BEGIN { print $end - $middle }") s, of which: $(tr '\n' ' ' < bacterial_out/logs/gather.txt)"
