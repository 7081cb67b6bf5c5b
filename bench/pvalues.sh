#!/usr/bin/env bash
# varno's p-values checked against TFMPvalue's, an independent implementation
# of exact p-values for position weight matrices, on every site collection of
# a folder, every scoring method 1..11 and both backgrounds (uniform, and the
# genome's composition).
#
# Usage: bench/pvalues.sh [SITES_FOLDER]     (from anywhere; about 15 minutes)
#
# SITES_FOLDER holds collections as *.txt files, one site a line; it defaults
# to ../shared/data/sites beside the repository, and the check is skipped
# with a message when it is missing. Each collection scans the example genome
# (examples/ecoli_k12.gbk) with --tsv at the default threshold. Checked are
# its best hit and those nearest p = 1e-9, 1e-7 and 1e-5, its weakest, and
# of 20,000 windows of the genome drawn at random the one nearest 1e-4, past
# the weakest hits of the strong motifs. (A window near 1e-3 takes TFMPvalue
# ten times as long as all the others: the unit tests check every p-value of
# short motifs against all their windows instead.) varno's side comes from bench/pvalues.cpp,
# which rescores each window with the run's own score table (the hit table's
# 14 digits are not the score to the last bit) and asks for all p-values in
# one batch; that they round to the hit table's is checked too. TFMPvalue
# gets the same table and background (bench/pvalues_tfmpvalue.R). Two cases
# are worked at once; TFMPvalue takes from a fraction of a second to about
# ten seconds a window, the most for the largest p-values and the longest
# motifs.
#
# Prints one line per window, then the largest relative difference
# |p_varno - p_TFMPvalue| / p_TFMPvalue per method, collection and
# background. Needs R with TFMPvalue (scripts/install-deps bench); builds
# varno and the bench program in build-bench/ (BUILD_DIR overrides it).
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."

sites=${1:-../shared/data/sites}
build=${BUILD_DIR:-build-bench}
genome=examples/ecoli_k12.gbk
collections=("$sites"/*.txt)
if [ ${#collections[@]} -eq 0 ]; then
    echo "pvalues: no site collections (*.txt) in $sites: skipped"
    exit 0
fi
if ! command -v Rscript > /dev/null || ! Rscript -e 'library(TFMPvalue)' > /dev/null 2>&1; then
    echo "pvalues: R's TFMPvalue is missing (scripts/install-deps bench): skipped"
    exit 0
fi

echo "Building (Release, $build/)..."
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" -j2 --target varno varno_pvalues > /dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
started=$(date +%s)
# The genome's letters, for windows drawn at random.
python3 - "$genome" > "$work/genome.txt" << 'EOF'
import sys
text = open(sys.argv[1]).read().split("\nORIGIN", 1)[1]
print("".join(c for c in text.split("\n//")[0] if c.isalpha()).upper())
EOF

# The windows of each case: the hit table's sample, with the p-values it
# prints, and windows of the genome drawn at random.
cat > "$work/sample.py" << 'EOF'
import csv, math, random, sys
table, genome, case = sys.argv[1:]
rows = [r for r in csv.DictReader(open(table), delimiter="\t") if r["p_value"] != "NA"]
rows.sort(key=lambda r: float(r["p_value"]))
chosen = {0, len(rows) - 1} if rows else set()
for target in (1e-9, 1e-7, 1e-5):
    if rows:
        chosen.add(min(range(len(rows)), key=lambda i: abs(math.log10(float(rows[i]["p_value"]) / target))))
with open(case + "/sample.txt", "w") as sample:
    for i in sorted(chosen):
        print(rows[i]["window"], rows[i]["p_value"], file=sample)
letters = open(genome).read().strip()
length = len(rows[0]["window"]) if rows else 0
random.seed(20261208)
with open(case + "/random.txt", "w") as drawn:
    for _ in range(20000 if rows else 0):
        start = random.randrange(len(letters) - length)
        window = letters[start : start + length]
        if set(window) <= set("ACGT"):
            print(window, file=drawn)
EOF
# The windows to check, after the table and background.
cat > "$work/choose.py" << 'EOF'
import math, sys
case = sys.argv[1]
lines = open(case + "/varno.txt").read().splitlines()
head = [l for l in lines if not l.startswith("p ")]
windows = [l for l in lines if l.startswith("p ")]
sampled = len(open(case + "/sample.txt").read().splitlines())
chosen, drawn = windows[:sampled], windows[sampled:]
for target in (1e-4,):
    if drawn:
        chosen.append(min(drawn, key=lambda l: abs(math.log10(float(l.split()[3]) / target))))
with open(case + "/chosen.txt", "w") as out:
    out.write("\n".join(head + chosen) + "\n")
EOF

for collection in "${collections[@]}"; do
    name=$(basename "$collection" .txt)
    for method in 1 2 3 4 5 6 7 8 9 10 11; do
        for background in 0 1; do
            case=$work/${name}_${method}_$background
            mkdir -p "$case"
            # Logs off, the method and the background; the rest as the example has it.
            sed -e "1s/\\\$.*/\$0/" -e "2s/\\\$.*/\$$method/" -e "3s/\\\$.*/\$$background/" \
                examples/Options.txt > "$case/options.txt"
            ./"$build"/varno --tsv --outdir "$case" "$genome" "$collection" "$case/options.txt" > /dev/null
            python3 "$work/sample.py" "$case"/*.tsv "$work/genome.txt" "$case"
            cut -d ' ' -f 1 "$case/sample.txt" | cat - "$case/random.txt" \
                | ./"$build"/varno_pvalues "$genome" "$collection" "$case/options.txt" \
                | grep -E '^(lower_is_better|background|term|p) ' > "$case/varno.txt"
            python3 "$work/choose.py" "$case"
            echo "$case"
        done
    done
done > "$work/cases.txt"

echo "Checking $(cat "$work"/*/chosen.txt | grep -c '^p ') windows with TFMPvalue, two cases at a time..."
xargs -P 2 -I {} sh -c 'Rscript bench/pvalues_tfmpvalue.R "$1/chosen.txt" > "$1/tfmpvalue.txt"' sh {} \
    < "$work/cases.txt"

# Every window, then the table.
python3 - "$work" << 'EOF'
import glob, os, sys
work = sys.argv[1]
worst, names, unrounded = {}, set(), 0
print(f"{'collection':<12} {'method':>6} {'bg':>3} {'score':>20} {'p varno':>12} {'p TFMPvalue':>12} {'rel diff':>9} {'s':>6}")
for case in sorted(glob.glob(os.path.join(work, "*_*_*"))):
    if not os.path.isdir(case):
        continue
    name, method, background = os.path.basename(case).rsplit("_", 2)
    names.add(name)
    printed = dict(line.split() for line in open(os.path.join(case, "sample.txt")))
    key = (name, int(method), int(background))
    for line in open(os.path.join(case, "tfmpvalue.txt")):
        window, score, p, tfm, seconds = line.split()
        p, tfm = float(p), float(tfm)
        if window in printed and f"{p:.4g}" != f"{float(printed[window]):.4g}":
            unrounded += 1
        difference = abs(p - tfm) / tfm
        worst[key] = max(worst.get(key, 0.0), difference)
        print(f"{name:<12} {method:>6} {background:>3} {float(score):>20.14g} {p:>12.5g} {tfm:>12.5g} "
              f"{difference:>9.2e} {float(seconds):>6.1f}")
names = sorted(names)
print()
print("Largest relative difference of p, varno against TFMPvalue (u: uniform background, s: the genome's):")
print()
print("| method | " + " | ".join(f"{n.removeprefix('ecoli_')} {b}" for n in names for b in "us") + " |")
print("|---:|" + "---:|" * (2 * len(names)))
for method in range(1, 12):
    cells = [worst.get((n, method, b)) for n in names for b in (0, 1)]
    print(f"| {method} | " + " | ".join("no p" if c is None else f"{c:.1e}" for c in cells) + " |")
print()
print(f"largest overall: {max(worst.values(), default=0.0):.2e}; "
      f"p-values that do not round to the hit table's: {unrounded}")
EOF
echo "($(($(date +%s) - started)) s)"
