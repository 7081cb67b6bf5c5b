#!/usr/bin/env bash
# Runs the many-genomes workflow on three small genomes (one compressed
# GenBank, two FASTA) and checks the gathered table against each genome's results file;
# then checks that a failing genome fails only its own job, and that two
# genome files of one name are refused.
# Usage: tests/workflow/run_workflow_test.sh [varno executable]   (default build/varno)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
varno=$(realpath "${1:-$root/build/varno}")
data=$root/tests/data/workflow

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

settings=(sites="$root/examples/lexa_sites.txt" options="$data/Options.txt" varno="$varno")

SECONDS=0
snakemake -s "$root/workflow/Snakefile" --cores 2 --quiet \
    --config genomes="$data/genomes" output=out "${settings[@]}" > three.log 2>&1 ||
    { cat three.log; echo "FAIL: the workflow failed on the three genomes"; exit 1; }
echo "three genomes through the workflow: ${SECONDS} s"

python3 - <<'EOF'
import sys

genomes = ["Lkirschneri_contigs_any2fasta_test", "NC_000932", "NC_005816"]
with open("out/hits.tsv", encoding="latin-1", newline="\n") as table:
    rows = [line.rstrip("\n").split("\t") for line in table]
header, rows = rows[0], rows[1:]
problems = []
if header != ["Genome", "Sequence", "Score", "Motif", "Strand", "Distance", "Type", "Abs. position",
              "Gene strand", "Start", "End", "Gene tag", "Gene", "Product", "Local Mean", "Up Mean",
              "Dw Mean"]:
    problems.append(f"header: {header}")
if any(len(row) != 17 for row in rows):
    problems.append("a row without 17 fields")
if [row[0] for row in rows] != sorted(row[0] for row in rows):
    problems.append("genomes out of order")
for genome in genomes:
    # Method 2 at the threshold 0.8 names the file as below; the blank in the
    # method name must survive the trip.
    results = f"out/runs/{genome}/{genome}_BvH HI_0.800.csv"
    with open(results, encoding="latin-1", newline="\n") as f:
        text = f.read()
    with open(f"out/results/{genome}.csv", encoding="latin-1", newline="\n") as f:
        if f.read() != text:
            problems.append(f"{genome}: the copied results differ from the run's file")
    lines = text.split("\n")
    expected = []
    sequence = None
    for line in lines[: lines.index("")]:
        if line.startswith("Sequence,"):
            sequence = line[len("Sequence,"):]
        elif not line.startswith(("Global score mean:,", "Score,Motif,")):
            expected.append(f"{sequence}\t{line}")
    sites = int(next(line for line in lines if line.startswith("Sites,")).split(",")[1])
    gathered = ["\t".join([row[1], ",".join(row[2:])]) for row in rows if row[0] == genome]
    if gathered != expected:
        problems.append(f"{genome}: {len(gathered)} gathered rows differ from the {len(expected)} of {results}")
    if len(expected) != sites or sites == 0:
        problems.append(f"{genome}: {len(expected)} rows, Sites,{sites}")
if {row[0] for row in rows} != set(genomes):
    problems.append(f"genomes in the table: {sorted({row[0] for row in rows})}")
if not any(row[6] == "Operator" and row[0] == "NC_000932" for row in rows):
    problems.append("no gene context in the GenBank genome's rows")
if problems:
    sys.exit("FAIL: " + "\n".join(problems))
print(f"gathered table: {len(rows)} hits of {len(genomes)} genomes match their results files")
EOF

# A genome varno refuses fails its own job with varno's message; with
# --keep-going the other genome is still scanned, and nothing is gathered.
mkdir broken
cp "$data/genomes/NC_005816.fna" broken/
: > broken/empty.fas
if snakemake -s "$root/workflow/Snakefile" --cores 2 --keep-going \
    --config genomes=broken output=broken_out "${settings[@]}" > broken.log 2> broken.err; then
    echo "FAIL: the workflow succeeded with an empty genome file"; exit 1
fi
grep -q "^Incorrect FASTA file: empty.fas$" broken.err ||
    { cat broken.err; echo "FAIL: the failing job did not show varno's message"; exit 1; }
[ -s broken_out/results/NC_005816.csv ] || { echo "FAIL: the good genome was not scanned"; exit 1; }
if [ -e broken_out/results/empty.csv ] || [ -e broken_out/hits.tsv ]; then
    echo "FAIL: output left behind by the failed genome"; exit 1
fi
echo "a failing genome fails its own job only"

mkdir twins
cp "$data/genomes/NC_005816.fna" twins/NC_005816.fna
cp "$data/genomes/NC_005816.fna" twins/NC_005816.fna.gz
if snakemake -s "$root/workflow/Snakefile" --cores 2 --dry-run \
    --config genomes=twins output=twins_out "${settings[@]}" > twins.log 2>&1; then
    echo "FAIL: two genome files of one name were accepted"; exit 1
fi
grep -q "Two genome files are both named NC_005816" twins.log ||
    { cat twins.log; echo "FAIL: no message about two genome files of one name"; exit 1; }
echo "two genome files of one name are refused"
echo "PASS"
