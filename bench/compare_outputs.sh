#!/usr/bin/env bash
# Runs two builds of varno over the same list of runs and compares every file
# each run writes, and what it prints, byte for byte: the proof that a change
# meant to leave the outputs alone does. The elapsed seconds of the run log and
# the console are masked, nothing else.
#
# Usage: bench/compare_outputs.sh OLD_VARNO NEW_VARNO
#
# Each run goes on every vector path the machine offers and VARNO_SIMD=scalar,
# with one thread (VARNO_THREADS=1) and with the machine's. It lists its runs,
# prints a line per difference and exits 1 on any.
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "Usage: $0 OLD_VARNO NEW_VARNO" >&2
    exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
cd "$(dirname "$0")/.."
root=$(pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

extras=(--tsv --bed --gff3 --html --regulon --logo)
genbank=examples/ecoli_k12.gbk
fasta=examples/ecoli_k12.fna

# name|sequence file|varno arguments before the file names. Every run names
# its settings, logs on, and reads examples/lexa_sites.txt.
runs=(
    "genbank|$genbank|--logs ${extras[*]}"
    "fasta|$fasta|--logs ${extras[*]}"
)
for method in 1 2 3 4 5 6 7 8 9 10 11; do
    runs+=("method $method|$genbank|--logs --method $method ${extras[*]}")
done
for integration in 1 2 3; do
    runs+=("integration $integration|$genbank|--logs --integration $integration ${extras[*]}")
    runs+=("integration $integration, FASTA|$fasta|--logs --integration $integration --method 2 --tsv")
done
runs+=(
    "sort by score|$genbank|--logs --sort score ${extras[*]}"
    "no merge|$genbank|--logs --no-merge ${extras[*]}"
    "cut-off -4|$genbank|--logs --cutoff -4 ${extras[*]}"
    "cut-off -4, FASTA, by score|$fasta|--logs --cutoff -4 --sort score --tsv --bed"
    "max-q 0.05|$genbank|--logs --max-q 0.05 ${extras[*]}"
    "max-p and max-e|$fasta|--logs --max-p 0.001 --max-e 50 --tsv --gff3 --html"
)
for file in tests/data/sequences/*.gb tests/data/sequences/*.gz tests/data/sequences/*.fna \
    bench/data/*.fna; do
    runs+=("$(basename "$file")|$file|--logs ${extras[*]}")
    runs+=("$(basename "$file"), integration 1|$file|--logs --integration 1 --tsv --gff3")
done

# The vector paths: the error for an unknown name lists them, scalar first.
# The path is chosen when a scan starts, so a tiny run asks.
printf '>s\nACGTACGTAC\n' > "$work/tiny.fna"
printf 'ACGT\nACGA\n' > "$work/tiny.txt"
paths=$(cd "$work" && VARNO_SIMD=none "$new" --no-logs tiny.fna tiny.txt 2>&1 || true)
paths=$(echo "$paths" | sed -n 's/.*it takes \(.*\) (in any case).*/\1/p' | tr -d ',')
[ -n "$paths" ] || { echo "could not learn the vector paths from $new" >&2; exit 2; }

# Runs one build in a fresh folder holding links to the inputs; the console
# output and the exit status are kept beside the files the run writes.
run_one() {
    local binary=$1 folder=$2 file=$3 simd=$4 threads=$5
    shift 5
    mkdir -p "$folder"
    ln -s "$root/$file" "$folder/$(basename "$file")"
    ln -s "$root/examples/lexa_sites.txt" "$folder/lexa_sites.txt"
    local status=0
    (cd "$folder" && VARNO_SIMD=$simd VARNO_THREADS=$threads "$binary" "$@" "$(basename "$file")" lexa_sites.txt \
        > console.out 2>&1) || status=$?
    echo "$status" > "$folder/exit.status"
}

# The run log and the console show elapsed whole seconds.
masked() {
    sed -E 's/(Time \(s\): )[0-9.e+-]+/\1#/' "$1"
}

differences=0
echo "Vector paths: $paths; threads: 1 and $(nproc)"
echo "Runs:"
for run in "${runs[@]}"; do
    IFS='|' read -r name file arguments <<< "$run"
    echo "  $name: $file $arguments"
done
for run in "${runs[@]}"; do
    IFS='|' read -r name file arguments <<< "$run"
    read -r -a argv <<< "$arguments"
    for simd in $paths; do
        for threads in 1 "$(nproc)"; do
            label="$name [$simd, $threads thread(s)]"
            rm -rf "$work/old" "$work/new"
            run_one "$old" "$work/old" "$file" "$simd" "$threads" "${argv[@]}"
            run_one "$new" "$work/new" "$file" "$simd" "$threads" "${argv[@]}"
            old_files=$(cd "$work/old" && find . -type f | sort)
            new_files=$(cd "$work/new" && find . -type f | sort)
            if [ "$old_files" != "$new_files" ]; then
                echo "DIFFERENT FILES: $label: $(diff <(echo "$old_files") <(echo "$new_files") | grep '^[<>]' \
                    | tr '\n' ' ')"
                differences=$((differences + 1))
            fi
            for written in $old_files; do
                [ -f "$work/new/$written" ] || continue
                if ! cmp -s <(masked "$work/old/$written") <(masked "$work/new/$written"); then
                    echo "DIFFERENT: $label: ${written#./}"
                    differences=$((differences + 1))
                fi
            done
        done
    done
done
if [ "$differences" -gt 0 ]; then
    echo "$differences difference(s)"
    exit 1
fi
echo "No differences: ${#runs[@]} runs on each of $(echo "$paths" | wc -w) paths, 1 and $(nproc) threads"
