#!/usr/bin/env bash
# Motifs given as count matrices, on the example genome (examples/ecoli_k12.gbk):
#
# 1. LexA as a curated matrix (RegulonDB's, 46 sites) beside the model built
#    from the example's 19 LexA sites: at one E-value bound (--max-e 1, one
#    chance hit expected over both strands), how many of the 19 known sites
#    each model finds, and how far their hit sets overlap. A known site is
#    found by a hit on its strand covering at least half of it; two hits are
#    the same when each covers half of the other (bedtools intersect -s -f 0.5 -r).
# 2. The 201 PRODORIC matrices in one run against 201 separate runs (logs off,
#    --max-p 1e-5 so that hits stay few; median of 5 turns each), with the
#    sum of the scans' own times: each separate run less a run's fixed cost,
#    a process start (varno --version) and the genome's reading (the read
#    phase of bench/phases.cpp). Targets: one run at most 1.2 times that sum
#    plus one start and one read, and at least 2.5 times faster than the
#    separate runs; its peak memory at most one run's plus the largest
#    motif's hits.
#
# Usage: bench/matrices.sh [MATRICES_FOLDER]     (from anywhere; a few minutes)
#
# MATRICES_FOLDER holds regulonDB_2025-05.tf and prodoric_from_meme_151016.tf;
# it defaults to ../shared/data/matrices beside the repository, and the bench
# is skipped with a message when they are missing (their terms keep them out
# of the project). Builds varno and the bench programs in build-bench/
# (BUILD_DIR overrides it); needs bedtools.
set -euo pipefail
cd "$(dirname "$0")/.."

folder=${1:-../shared/data/matrices}
build=${BUILD_DIR:-build-bench}
regulondb=$folder/regulonDB_2025-05.tf
prodoric=$folder/prodoric_from_meme_151016.tf
if [ ! -f "$regulondb" ] || [ ! -f "$prodoric" ]; then
    echo "matrices: regulonDB_2025-05.tf or prodoric_from_meme_151016.tf missing in $folder: skipped"
    exit 0
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target varno measure varno_phases -j2 > /dev/null
varno=$PWD/$build/varno
genome=$PWD/examples/ecoli_k12.gbk
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# ---- 1. LexA: matrix against sites
awk '/^AC  LexA$/ { keep = 1 } keep { print } keep && /^\/\// { exit }' "$regulondb" > "$work/LexA.tf"
tail -n +5 examples/lexa_sites.positions.tsv \
    | awk -F'\t' -v OFS='\t' '{ print "NC_000913.3", $3 - 1, $4, $1, 0, $2 }' > "$work/known.bed"
for model in sites matrix; do
    motif=$PWD/examples/lexa_sites.txt
    [ "$model" = matrix ] && motif=$work/LexA.tf
    "$varno" --no-logs --max-e 1 --bed --outdir "$work/$model" "$genome" "$motif" > /dev/null
    cat "$work/$model"/*.bed | grep -v '^#' > "$work/$model.bed" || true
done
echo "LexA at E <= 1 (E. coli K-12, 19 known sites):"
printf '%-34s %6s %12s\n' model hits known_found
for model in sites matrix; do
    found=$(bedtools intersect -s -f 0.5 -u -a "$work/known.bed" -b "$work/$model.bed" | wc -l)
    label="the 19 sites (examples/lexa_sites.txt)"
    [ "$model" = matrix ] && label="RegulonDB's matrix (46 sites)"
    printf '%-34s %6s %12s\n' "$label" "$(wc -l < "$work/$model.bed")" "$found of 19"
done
shared=$(bedtools intersect -s -f 0.5 -r -u -a "$work/sites.bed" -b "$work/matrix.bed" | wc -l)
echo "hits of the sites' model that the matrix's model also has: $shared of $(wc -l < "$work/sites.bed")"

# ---- 2. 201 matrices: one run against separate runs
mkdir -p "$work/each"
awk -v out="$work/each" '
    /^AC / { name = $2 }
    { record = record $0 "\n" }
    /^\/\// { count++; file = sprintf("%s/m%03d.tf", out, count); printf "%s", record > file; close(file); record = "" }
' "$prodoric"
count=$(ls "$work/each" | wc -l)
measure() { "$PWD/$build/measure" "$@"; }
one_walls=() one_peaks=() separate_walls=()
for turn in 1 2 3 4 5; do
    rm -rf "$work/one"
    read -r wall peak status < <(measure "$varno" --no-logs --max-p 1e-5 --outdir "$work/one" "$genome" "$prodoric")
    [ "$status" = 0 ] || { echo "matrices: the run over all matrices failed ($status)"; exit 1; }
    one_walls+=("$wall") one_peaks+=("$peak")
    for file in "$work"/each/*.tf; do
        rm -rf "$work/sep"
        measure "$varno" --no-logs --max-p 1e-5 --outdir "$work/sep" "$genome" "$file"
    done > "$work/separate.txt"
    separate_walls+=("$(awk '{ total += $1 } END { print total }' "$work/separate.txt")")
    largest_peak=$(awk '$2 > most { most = $2 } END { print most }' "$work/separate.txt")
done
start=$(for turn in 1 2 3 4 5 6 7 8 9; do measure "$varno" --version | cut -d' ' -f1; done | median)
read_ms=$(for turn in 1 2 3 4 5; do
    "$build/varno_phases" "$genome" examples/lexa_sites.txt examples/Options.txt | tail -n 1 | awk '{ print $1 }'
done | median)
one=$(printf '%s\n' "${one_walls[@]}" | median)
separate=$(printf '%s\n' "${separate_walls[@]}" | median)
peak=$(printf '%s\n' "${one_peaks[@]}" | median)
python3 - "$count" "$one" "$separate" "$start" "$read_ms" "$peak" "$largest_peak" << 'EOF'
import sys
count, one, separate, start, read_ms, peak, single_peak = sys.argv[1:]
count = int(count); one, separate, start, peak, single_peak = map(float, (one, separate, start, peak, single_peak))
read = float(read_ms) / 1000
own = separate - count * (start + read)
bound = 1.2 * (own + start + read)
print(f"{count} PRODORIC matrices, E. coli GenBank, logs off, --max-p 1e-5 (median of 5):")
print(f"  one run:        {one:.3f} s, peak {peak:.1f} MiB (largest separate run's peak {single_peak:.1f} MiB)")
print(f"  separate runs:  {separate:.3f} s in all, {separate / one:.2f} times the one run (target at least 2.5)")
print(f"  scans' own:     {own:.3f} s (separate runs less {count} x ({start * 1000:.1f} ms start + {read * 1000:.1f} ms read));"
      f" one run / (own + one start and read) = {one / (own + start + read):.2f} (target at most 1.2)")
EOF
