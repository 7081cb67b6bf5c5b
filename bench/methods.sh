#!/usr/bin/env bash
# Times a whole run on the example genome for each of the eleven scoring
# methods: wall seconds, peak memory and the number of hits kept.
# Usage: bench/methods.sh [sequence file] [site file]   (from the repository root)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

sequences=${1:-examples/ecoli_k12.fna}
sites=${2:-examples/lexa_sites.txt}

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build build-bench -j2 --target varno > /dev/null
c++ -std=c++17 -O2 -o build-bench/measure bench/measure.cpp

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$sequences" "$work/"
cp "$sites" "$work/"
seqname=$(basename "$sequences")
sitename=$(basename "$sites")
stem=${seqname%.*}

printf '%-7s %-34s %9s %9s %7s\n' method name wall_s peak_MiB hits
for method in 1 2 3 4 5 6 7 8 9 10 11; do
    sed "2s/\\\$.*/\$$method/" examples/Options.txt > "$work/Options.txt"
    read -r wall peak status < <(cd "$work" && "$root/build-bench/measure" "$root/build-bench/varno" "$seqname" "$sitename" Options.txt)
    results=$(ls "$work"/"$stem"_*.csv | grep -v -e _freq_table -e __motif_score_log -e _gene_log | head -n 1)
    name=$(grep '^Method,' "$results" | cut -d, -f2)
    hits=$(grep '^Sites,' "$results" | cut -d, -f2)
    printf '%-7s %-34s %9s %9s %7s\n' "$method" "$name" "$wall" "$peak" "$hits"
    [ "$status" = 0 ] || echo "  (exit status $status)"
    rm -f "$work"/"$stem"_*.csv
done
