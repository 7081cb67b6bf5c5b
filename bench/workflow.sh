#!/usr/bin/env bash
# Times the many-genomes workflow on 2 cores with the four E. coli site
# collections (LexA, PurR, Fur, ArgR; the workflow's defaults: diagnostic logs
# off, one thread per varno run, examples/Options.txt):
#   - the 51 Chlamydia genomes of the shared pan-genome set, end to end
#     (scanning, clustering, gathering, table, heat map);
#   - 1,000 links to the 9.6 kb plasmid pPCP1 (GenBank, 10 CDS), end to end;
#   - 1,000 links to the example E. coli genome: the scanning against the sum
#     of the varno runs' own wall times (from the batch logs) over the cores,
#     then the clustering, then the gathering, each on its own.
# Usage: bench/workflow.sh DATA [varno executable] [genomes]
#   DATA: the shared data folder (sites/ecoli_*.txt, chlamydia_pangenome/);
#   defaults build/varno, 1000.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=$(realpath "$1")
varno=$(realpath "${2:-$root/build/varno}")
count=${3:-1000}
cores=2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir factors
for factor in LexA PurR Fur ArgR; do
    cp "$data/sites/ecoli_$factor.txt" factors/$factor.txt
done
run=(snakemake -s "$root/workflow/Snakefile" --cores $cores --quiet
     --config factors=factors options="$root/examples/Options.txt" varno="$varno")

# The sum of the varno wall times the batch logs give, over the cores.
varno_seconds() {
    cat "$1"/logs/batches/*.txt | sed -n 's/.*: varno \([0-9.]*\) s.*/\1/p' |
        awk -v cores=$cores '{ sum += $1 } END { printf "%.1f", sum / cores }'
}
now() { date +%s.%N; }
since() { awk "BEGIN { printf \"%.1f\", $(now) - $1 }"; }
rows() { echo $(($(wc -l < "$1") - 1)); }

mkdir chlamydia small bacterial
ln -s "$data"/chlamydia_pangenome/*.gbff.gz "$data"/chlamydia_pangenome/*.gbk.gz chlamydia/
for i in $(seq -w 1 "$count"); do
    ln -s "$root/tests/data/sequences/NC_005816.gb" small/p$i.gb
    ln -s "$root/examples/ecoli_k12.gbk" bacterial/e$i.gbk
done

start=$(now)
"${run[@]}" genomes=chlamydia output=chlamydia_out > chlamydia.log 2>&1 || { cat chlamydia.log; exit 1; }
echo "$(ls chlamydia | wc -l) Chlamydia genomes x 4 factors: whole run $(since "$start") s" \
     "($(rows chlamydia_out/hits.tsv) hits, $(rows chlamydia_out/groups.tsv) ortholog groups," \
     "$(rows chlamydia_out/regulons.tsv) regulon rows); varno's own time over $cores cores $(varno_seconds chlamydia_out) s;" \
     "clustering: $(tail -2 chlamydia_out/logs/cluster.txt | head -1 | sed 's/.*: //')"

start=$(now)
"${run[@]}" genomes=small output=small_out > small.log 2>&1 || { cat small.log; exit 1; }
echo "$count x pPCP1 (9.6 kb) x 4 factors: whole run $(since "$start") s;" \
     "varno's own time over $cores cores $(varno_seconds small_out) s"

start=$(now)
"${run[@]}" genomes=bacterial output=bacterial_out --until scan_batch > scan.log 2>&1 || { cat scan.log; exit 1; }
scan=$(since "$start")
own=$(varno_seconds bacterial_out)
echo "$count x E. coli K-12 (4.6 Mb) x 4 factors: scanning $scan s; varno's own time over $cores cores $own s;" \
     "ratio $(awk "BEGIN { printf \"%.2f\", $scan / $own }")"
start=$(now)
"${run[@]}" genomes=bacterial output=bacterial_out --until cluster > cluster.log 2>&1 || { cat cluster.log; exit 1; }
echo "clustering $(since "$start") s: $(tail -2 bacterial_out/logs/cluster.txt | tr '\n' ' ')"
start=$(now)
"${run[@]}" genomes=bacterial output=bacterial_out > gather.log 2>&1 || { cat gather.log; exit 1; }
gather=$(since "$start")
hits=$(rows bacterial_out/hits.tsv)
echo "gathering $gather s for $hits hit rows ($(awk "BEGIN { printf \"%.2f\", $gather / ($hits / 1e6) }") s per million)," \
     "of which: $(tr '\n' ' ' < bacterial_out/logs/gather.txt)"
