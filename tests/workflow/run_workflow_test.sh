#!/usr/bin/env bash
# Runs the many-genomes workflow with two factors (LexA, PurR with its own
# options file) over six genomes (one compressed GenBank, two bare FASTA that
# Prodigal annotates, one FASTA with its GFF3 genes beside it, the example
# E. coli genome under two names, so that genes are shared) and checks
# the hits table against each pair's results file (with the genes' and
# sequences' whole texts), the regulon table against the hits, and the heat
# map; then checks that a failing genome fails only its own pairs, that a rerun
# scans exactly those and a newly added genome, and that two files of one name
# are refused.
# Usage: tests/workflow/run_workflow_test.sh [varno executable]   (default build/varno)
set -euo pipefail
# Exit status 77 tells CTest the test was skipped: the tools it needs are missing.
for tool in snakemake prodigal; do
    command -v $tool > /dev/null || { echo "SKIP: needs the outside tool $tool (Debian package $tool)"; exit 77; }
done
/usr/bin/python3 -c "import matplotlib" 2> /dev/null ||
    { echo "SKIP: needs matplotlib for the system Python (Debian package python3-matplotlib)"; exit 77; }
root=$(cd "$(dirname "$0")/../.." && pwd)
varno=$(realpath "${1:-$root/build/varno}")
data=$root/tests/data/workflow

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

mkdir factors genomes
cp "$root/examples/lexa_sites.txt" factors/LexA.txt
cp "$data/factors/PurR.txt" "$data/factors/PurR.options.txt" factors/
ln -s "$data"/genomes/* "$root/examples/ecoli_k12.gbk" genomes/
ln -s "$root/examples/ecoli_k12.gbk" genomes/ecoli_k12_copy.gbk
ln -s "$root"/tests/data/sequences/plasmid_GCF_000093005.1_ASM9300v1.{fna,gff}.gz genomes/
settings=(options="$data/Options.txt" varno="$varno")

SECONDS=0
snakemake -s "$root/workflow/Snakefile" --cores 2 --quiet \
    --config genomes=genomes factors=factors output=out annotate=prodigal "${settings[@]}" > two.log 2>&1 ||
    { cat two.log; echo "FAIL: the workflow failed on two factors and six genomes"; exit 1; }
echo "two factors x six genomes through the workflow: ${SECONDS} s"

python3 - <<'EOF'
import glob
import sys

genomes = ["Lkirschneri_contigs_any2fasta_test", "NC_000932", "NC_005816", "ecoli_k12", "ecoli_k12_copy",
           "plasmid_GCF_000093005.1_ASM9300v1"]
factors = {"LexA": min, "PurR": max}  # method 2 (the shared options) scores better lower, method 5 higher
def table(name):
    with open(name, encoding="latin-1", newline="\n") as f:
        return [line.rstrip("\n").split("\t") for line in f]
rows = table("out/hits.tsv")
header, rows = rows[0], rows[1:]
problems = []
# The sequence name and gene texts (Sequence, Gene tag, Gene, Product) are
# whole in the hits table: each extends the results file's first line, whose
# commas are '.' there; the other columns are the results file's.
TEXTS = (0, 10, 11, 12)
def extends(whole, cut):
    return whole == cut or (cut != "" and whole.replace(",", ".").startswith(cut.replace(",", ".")))
def agrees(row, cut):
    return len(row) == len(cut) and all(
        (extends if i in TEXTS else str.__eq__)(a, b) for i, (a, b) in enumerate(zip(row, cut)))
if header[:3] != ["Factor", "Genome", "Sequence"] or header[3:5] != ["Score", "Motif"] or len(header) != 18:
    problems.append(f"hits header: {header}")
if [row[:2] for row in rows] != sorted(row[:2] for row in rows):
    problems.append("hits out of factor and genome order")
for factor in factors:
    for genome in genomes:
        # The one results CSV of the run folder (the diagnostic logs end otherwise).
        [results] = [name for name in glob.glob(f"out/runs/{factor}/{genome}/{genome}_*.csv")
                     if not name.endswith(("_log.csv", "_freq_table.csv"))]
        with open(results, encoding="latin-1", newline="\n") as f:
            text = f.read()
        with open(f"out/results/{factor}/{genome}.csv", encoding="latin-1", newline="\n") as f:
            if f.read() != text:
                problems.append(f"{factor} {genome}: the copied results differ from the run's file")
        lines = text.split("\n")
        expected, sequence = [], None
        for line in lines[: lines.index("")]:
            if line.startswith("Sequence,"):
                sequence = line[len("Sequence,"):]
            elif not line.startswith(("Global score mean:,", "Score,Motif,")):
                expected.append([sequence] + line.split(","))
        gathered = [row[2:] for row in rows if row[:2] == [factor, genome]]
        if len(gathered) != len(expected) or not all(map(agrees, gathered, expected)):
            problems.append(f"{factor} {genome}: {len(gathered)} gathered rows, {len(expected)} in {results}")

# The regulon table from the hits: best operator score per factor, gene and genome.
best = {}
for row in rows:
    if row[7] == "Operator":
        cell = (row[0], row[13] or row[12], row[1])
        best[cell] = factors[row[0]](best.get(cell, float(row[3])), float(row[3]))
regulons = table("out/regulons.tsv")
if regulons[0] != ["Factor", "Gene"] + genomes + ["Genomes"]:
    problems.append(f"regulon header: {regulons[0]}")
found = {}
for row in regulons[1:]:
    cells = {(row[0], row[1], g): float(v) for g, v in zip(genomes, row[2:-1]) if v}
    found.update(cells)
    if int(row[-1]) != len(cells):
        problems.append(f"regulon row {row[:2]}: {row[-1]} genomes but {len(cells)} cells")
if found != best:
    wrong = sum(found.get(cell) != best.get(cell) for cell in set(found) | set(best))
    problems.append(f"regulon cells: {len(found)}, {len(best)} from the hits, {wrong} differ")
counts = [int(row[-1]) for row in regulons[1:]]
if counts != sorted(counts, reverse=True) or max(counts) != 2:
    problems.append(f"regulon rows not most conserved first, or E. coli's not shared: {counts[:5]}...")
# Known members: LexA's strongest boxes and PurR's pur operons in E. coli.
for factor, gene in [("LexA", "recA"), ("LexA", "lexA"), ("LexA", "sulA"), ("PurR", "purL"), ("PurR", "purM")]:
    if (factor, gene, "ecoli_k12_copy") not in found:
        problems.append(f"{factor} {gene} missing in E. coli")
# ilvI's product runs over two lines, with a comma.
if ["b0077", "ilvI", "acetolactate synthase/acetohydroxybutanoate synthase, catalytic subunit"] not in [
        row[12:15] for row in rows if row[1] == "ecoli_k12"]:
    problems.append("ilvI's whole product is not in the hits table")
if len(table("out/failed.tsv")) != 1 or {row[0] for row in rows} != set(factors):
    problems.append("failed.tsv lists pairs, or a factor has no hits")
# Genes: Prodigal's for the two bare FASTA genomes (meta mode, both under
# 100 kb; tagged by genome), the GFF3 file's beside the third FASTA genome.
annotated = sorted(glob.glob("out/annotations/*.gff"))
if annotated != ["out/annotations/Lkirschneri_contigs_any2fasta_test.gff", "out/annotations/NC_005816.gff"]:
    problems.append(f"Prodigal annotated: {annotated}")
for genome in ("Lkirschneri_contigs_any2fasta_test", "NC_005816"):
    with open(f"out/logs/annotations/{genome}.txt") as log:
        if "prodigal -p meta" not in log.read():
            problems.append(f"{genome}: not annotated in meta mode")
    if not any(row[12].startswith(genome + "_") for row in rows if row[1] == genome):
        problems.append(f"{genome}: no hit placed against a Prodigal gene")
if not any(row[12].startswith("PADJNBJD_") for row in rows if row[1] == genomes[-1]):
    problems.append("the FASTA genome's hits are not placed against the genes of its GFF3 file")
# Topology auto: the contigs of a FASTA genome are linear, so the windows the
# E-values count are 2 (S - L + 1) per contig (24 contigs, 57,687 letters;
# LexA's sites are 20 letters long), not 2 S as for circular ones.
[tsv] = glob.glob("out/runs/LexA/Lkirschneri_contigs_any2fasta_test/*.tsv")
ratios = sorted(float(row[7]) / float(row[6]) for row in table(tsv)[1:])
if abs(ratios[len(ratios) // 2] / (2 * (57687 - 24 * 19)) - 1) > 0.005:
    problems.append(f"E/p of the FASTA contigs: {ratios[len(ratios) // 2]}, not the windows of linear contigs")
if problems:
    sys.exit("FAIL: " + "\n".join(problems))
print(f"hits table: {len(rows)} hits of 2 factors x 6 genomes match their results files; "
      f"regulon table: {len(regulons) - 1} rows match the hits")
EOF
xmllint --noout out/regulons.svg && grep -q "recA" out/regulons.svg ||
    { echo "FAIL: the heat map is not a valid SVG naming recA"; exit 1; }
echo "heat map drawn"

# A genome varno refuses fails its own pair only, in a batch with a good one
# (one core: one batch); the other pair is scanned and gathered, failed.tsv
# gives the message and the run exits non-zero. The single sites file names
# its factor.
mkdir broken
cp "$data/genomes/NC_005816.fna" broken/
: > broken/empty.fas
one=(-s "$root/workflow/Snakefile" --cores 1 --config genomes=broken output=broken_out
     sites="$root/examples/lexa_sites.txt" "${settings[@]}")
if snakemake "${one[@]}" > broken.log 2>&1; then
    echo "FAIL: the workflow succeeded with an empty genome file"; exit 1
fi
printf 'Genome\tFactor\tMessage\nempty\tlexa_sites\tIncorrect FASTA file: empty.fas\n' | cmp - broken_out/failed.tsv ||
    { cat broken.log; echo "FAIL: failed.tsv does not give the failing pair and varno's message"; exit 1; }
grep -q "failed.tsv" broken.log || { echo "FAIL: the run does not point to failed.tsv"; exit 1; }
grep -q "^lexa_sites	NC_005816	" broken_out/hits.tsv || { echo "FAIL: the good genome was not gathered"; exit 1; }
[ ! -e broken_out/results/lexa_sites/empty.csv ] || { echo "FAIL: results left by the failed pair"; exit 1; }

# The same command after fixing the genome and adding one scans those two only.
cp "$data/genomes/NC_005816.fna" broken/empty.fas
# The added genome is a GFF3 file with its sequences, scanned as it is.
cp "$root/tests/data/sequences/prokka_plasmid.gff.gz" broken/added.gff.gz
snakemake "${one[@]}" > rerun.log 2>&1 || { cat rerun.log; echo "FAIL: the rerun failed"; exit 1; }
scanned=$(cat broken_out/logs/batches/*.txt | sed -n 's/^scanned \([^ ]*\) for .*/\1/p' | sort | tr '\n' ' ')
[ "$scanned" = "added empty " ] || { echo "FAIL: the rerun scanned: $scanned"; exit 1; }
[ "$(wc -l < broken_out/failed.tsv)" = 1 ] && [ "$(cut -f2 broken_out/hits.tsv | sort -u | wc -l)" = 4 ] ||
    { echo "FAIL: the rerun's tables do not hold the three genomes"; exit 1; }
grep -q "^lexa_sites	added	.*	NILJEPDF_[0-9]*	" broken_out/hits.tsv ||
    { echo "FAIL: the GFF3 genome's hits are not placed against its genes"; exit 1; }
echo "a failing genome fails its own pair only; a rerun scans exactly it and a new genome"

mkdir twins
cp "$data/genomes/NC_005816.fna" twins/NC_005816.fna
cp "$data/genomes/NC_005816.fna" twins/NC_005816.fna.gz
cp factors/LexA.txt factors/LexA.fas
for case in "genomes=twins factors=factors:Two genome files are both named NC_005816" \
            "genomes=genomes factors=factors:Two site files both give the factor LexA"; do
    if snakemake -s "$root/workflow/Snakefile" --cores 2 --dry-run \
        --config ${case%%:*} output=twins_out "${settings[@]}" > twins.log 2>&1; then
        echo "FAIL: accepted: ${case#*:}"; exit 1
    fi
    grep -q "${case#*:}" twins.log || { cat twins.log; echo "FAIL: no message: ${case#*:}"; exit 1; }
done
echo "two genome files or two site files of one name are refused"
echo "PASS"
