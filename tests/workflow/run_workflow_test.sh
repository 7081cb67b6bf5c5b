#!/usr/bin/env bash
# Runs the many-genomes workflow with two factors (LexA, PurR with its own
# options file) over five genomes (three Chlamydia trachomatis strains, two as
# GenBank, one as Prokka's GFF3 with its sequences; a bare FASTA draft; a FASTA
# plasmid with its GFF3 genes beside it) under a selection by p-value, and
# checks the hits table against each genome's own, the ortholog groups of five
# named single-copy genes, the regulon table against each genome's regulon
# units and groups, and the heat map. Then has Prodigal annotate the bare
# draft, which alone is scanned again; then checks that a failing genome fails
# only itself, that a rerun scans exactly it and a newly added genome, and that
# two files of one name are refused.
# Usage: tests/workflow/run_workflow_test.sh [varno executable]   (default build/varno)
set -euo pipefail
# Exit status 77 tells CTest the test was skipped: the tools it needs are missing.
for tool in snakemake prodigal mmseqs; do
    command -v $tool > /dev/null || { echo "SKIP: needs the outside tool $tool (scripts/install-deps workflow)"; exit 77; }
done
/usr/bin/python3 -c "import matplotlib, pandas, scipy" 2> /dev/null ||
    { echo "SKIP: needs matplotlib, pandas and scipy for the system Python (scripts/install-deps workflow)"; exit 77; }
root=$(cd "$(dirname "$0")/../.." && pwd)
varno=$(realpath "${1:-$root/build/varno}")
data=$root/tests/data/workflow

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

mkdir factors genomes
cp "$root/examples/lexa_sites.txt" factors/LexA.txt
cp "$data/factors/PurR.txt" "$data/factors/PurR.options.txt" factors/
ln -s "$data"/chlamydia/* "$data/genomes/Lkirschneri_contigs_any2fasta_test.fna" genomes/
ln -s "$root"/tests/data/sequences/plasmid_GCF_000093005.1_ASM9300v1.{fna,gff}.gz genomes/
settings=(options="$data/Options.txt" varno="$varno")
main=(-s "$root/workflow/Snakefile" --cores 2 --config genomes=genomes factors=factors output=out max_p=1e-4
      "${settings[@]}")

SECONDS=0
snakemake "${main[@]}" > main.log 2>&1 || { cat main.log; echo "FAIL: the workflow failed on five genomes"; exit 1; }
echo "two factors x five genomes through the workflow: ${SECONDS} s"

check_tables() {
    /usr/bin/python3 - "$@" <<'EOF'
import sys
import pandas

draft, annotated = "Lkirschneri_contigs_any2fasta_test", sys.argv[1] == "annotated"
chlamydia = ["GCF_000220105.1_ASM22010v1_genomic", "GCF_002192615.1_ASM219261v1_genomic", "PROKKA_12132021"]
genomes = sorted(chlamydia + [draft, "plasmid_GCF_000093005.1_ASM9300v1"])
def read(path):
    return pandas.read_csv(path, sep="\t", dtype=str, keep_default_na=False)
problems = []

# The hits table: each genome's own, one after the other, led by the genome.
hits = read("out/hits.tsv")
own = pandas.concat([read(f"out/genomes/{g}/hits.tsv").assign(genome=g) for g in genomes], ignore_index=True)
if not hits.equals(own[hits.columns]) or list(hits.columns[:3]) != ["genome", "motif", "seq_id"]:
    problems.append("the hits table is not the genomes' own tables led by the genome")
if set(hits["motif"]) != {"LexA", "PurR"} or max(map(float, hits["p_value"])) > 1e-4:
    problems.append("a factor has no hits, or a hit's p-value is above the bound")

# Ortholog groups: five named single-copy genes, one member in each strain.
groups = read("out/groups.tsv").set_index("Group")
for gene in ["ubiA", "tolB", "pyrG", "murD", "uvrB"]:
    if gene not in groups.index or any(groups.loc[gene, g] != "1" for g in chlamydia):
        problems.append(f"{gene} is not one group with one member per strain")

# The regulon table from the genomes' units: per factor and group, each
# genome's least unit p-value among the units holding a member of the group.
members = read("out/orthologs.tsv")
group_of = {key[:3]: key[3] for key in zip(*(members[c] for c in ["Genome", "Sequence", "Locus tag", "Group"]))}
expected = {}
for genome in genomes:
    units = read(f"out/genomes/{genome}/regulon.tsv")
    if any(float(p) > 1e-4 for p in units["best_p_value"]):
        problems.append(f"{genome}: a unit's best hit is above the bound")
    for unit in units.itertuples():
        for tag in unit.unit_locus_tags.split(","):
            key = (unit.motif, group_of.get((genome, unit.seq_id, tag), tag), genome)
            expected[key] = min(expected.get(key, 1.0), float(unit.unit_p_value))
regulons = read("out/regulons.tsv")
if list(regulons.columns) != ["Factor", "Group"] + genomes + ["Present", "Regulated"]:
    problems.append(f"regulon table columns: {list(regulons.columns)}")
found = {(r["Factor"], r["Group"], g): float(r[g]) for _, r in regulons.iterrows() for g in genomes if r[g] not in ("", "NA")}
if found != expected or len(regulons) == 0:
    problems.append(f"regulon cells: {len(found)}, {len(expected)} from the genomes' units")
present = groups[genomes].astype(int).gt(0).sum(axis=1)
for _, row in regulons.iterrows():
    cells = sum(row[g] not in ("", "NA") for g in genomes)
    if int(row["Regulated"]) != cells or int(row["Present"]) != present.get(row["Group"], 1):
        problems.append(f"regulon row {row['Factor']} {row['Group']}: wrong counts")
order = [(-int(r), -int(p)) for r, p in zip(regulons["Regulated"], regulons["Present"])]
if order != sorted(order):
    problems.append("regulon rows not by regulated, then present genomes")
# A genome without genes has unknown cells; Prodigal's genes give it some.
cells = set(regulons[draft])
if "NA" in cells if annotated else cells != {"NA"}:
    problems.append(f"the bare draft's cells: {set(regulons[draft])}")
draft_tags = set(hits[hits["genome"] == draft]["locus_tag"])
if (any(t.startswith(draft + "_") for t in draft_tags) != annotated) or (not annotated and draft_tags != {"NA"}):
    problems.append("the bare draft's hits are not placed against Prodigal's genes, or only then")
if not any(t.startswith("PADJNBJD_") for t in hits[hits["genome"] == genomes[-1]]["locus_tag"]):
    problems.append("the FASTA plasmid's hits are not placed against the genes of its GFF3 file")
# Topology auto: the contigs of a FASTA genome are linear, so the windows the
# E-values count are 2 (S - L + 1) per contig (24 contigs, 57,687 letters;
# LexA's sites are 20 letters long), not 2 S as for circular ones.
lexa = hits[(hits["genome"] == draft) & (hits["motif"] == "LexA")]
ratio = (lexa["e_value"].astype(float) / lexa["p_value"].astype(float)).median()
if abs(ratio / (2 * (57687 - 24 * 19)) - 1) > 0.005:
    problems.append(f"E/p of the FASTA contigs: {ratio}, not the windows of linear contigs")
if problems:
    sys.exit("FAIL: " + "\n".join(problems))
print(f"hits table: {len(hits)} hits of 2 factors x 5 genomes; {len(groups)} ortholog groups; "
      f"regulon table: {len(regulons)} rows match the genomes' units")
EOF
}
check_tables bare
xmllint --noout out/regulons.svg && grep -q "Lkirschneri_contigs_any2fasta_test (no genes)" out/regulons.svg ||
    { echo "FAIL: the heat map is not a valid SVG marking the genome without genes"; exit 1; }
echo "heat map drawn"

# Prodigal's genes for the bare draft (meta mode, under 100 kb), tagged by
# genome: that genome alone is scanned again.
rm out/logs/batches/*
snakemake "${main[@]}" annotate=prodigal > annotate.log 2>&1 || { cat annotate.log; echo "FAIL: annotating"; exit 1; }
[ "$(cat out/logs/batches/*.txt | cut -d: -f1)" = "scanned Lkirschneri_contigs_any2fasta_test" ] &&
    grep -q "prodigal -p meta" out/logs/annotations/Lkirschneri_contigs_any2fasta_test.txt ||
    { cat out/logs/batches/*.txt; echo "FAIL: Prodigal's genes did not rescan the draft alone"; exit 1; }
check_tables annotated

# A genome varno refuses fails only itself, in a batch with a good one (one
# core: one batch); the other is scanned and gathered, failed.tsv gives the
# message and the run exits non-zero. The single sites file names its factor.
mkdir broken
cp "$data/genomes/NC_005816.fna" broken/
: > broken/empty.fas
one=(-s "$root/workflow/Snakefile" --cores 1 --config genomes=broken output=broken_out
     sites="$root/examples/lexa_sites.txt" "${settings[@]}")
if snakemake "${one[@]}" > broken.log 2>&1; then
    echo "FAIL: the workflow succeeded with an empty genome file"; exit 1
fi
printf 'Genome\tMessage\nempty\tIncorrect FASTA file: empty.fas\n' | cmp - broken_out/failed.tsv ||
    { cat broken.log; echo "FAIL: failed.tsv does not give the failing genome and varno's message"; exit 1; }
grep -q "failed.tsv" broken.log || { echo "FAIL: the run does not point to failed.tsv"; exit 1; }
grep -q "^NC_005816	lexa_sites	" broken_out/hits.tsv || { echo "FAIL: the good genome was not gathered"; exit 1; }
[ ! -e broken_out/genomes/empty ] || { echo "FAIL: tables left by the failed genome"; exit 1; }

# The same command after fixing the genome and adding one scans those two only.
cp "$data/genomes/NC_005816.fna" broken/empty.fas
# The added genome is a GFF3 file with its sequences, scanned as it is.
cp "$root/tests/data/sequences/prokka_plasmid.gff.gz" broken/added.gff.gz
snakemake "${one[@]}" > rerun.log 2>&1 || { cat rerun.log; echo "FAIL: the rerun failed"; exit 1; }
scanned=$(cat broken_out/logs/batches/*.txt | sed -n 's/^scanned \([^:]*\):.*/\1/p' | sort | tr '\n' ' ')
[ "$scanned" = "added empty " ] || { echo "FAIL: the rerun scanned: $scanned"; exit 1; }
[ "$(wc -l < broken_out/failed.tsv)" = 1 ] && [ "$(cut -f1 broken_out/hits.tsv | sort -u | wc -l)" = 4 ] ||
    { echo "FAIL: the rerun's tables do not hold the three genomes"; exit 1; }
grep -q "^added	lexa_sites	.*	NILJEPDF_[0-9]*	" broken_out/hits.tsv ||
    { echo "FAIL: the GFF3 genome's hits are not placed against its genes"; exit 1; }
echo "a failing genome fails only itself; a rerun scans exactly it and a new genome"

mkdir twins
cp "$data/genomes/NC_005816.fna" twins/NC_005816.fna
cp "$data/genomes/NC_005816.fna" twins/NC_005816.fna.gz
cp factors/LexA.txt factors/LexA.fas
for case in "genomes=twins factors=factors:Two genome files are both named NC_005816" \
            "genomes=genomes factors=factors:Two motif files both give the factor LexA"; do
    if snakemake -s "$root/workflow/Snakefile" --cores 2 --dry-run \
        --config ${case%%:*} output=twins_out "${settings[@]}" > twins.log 2>&1; then
        echo "FAIL: accepted: ${case#*:}"; exit 1
    fi
    grep -q "${case#*:}" twins.log || { cat twins.log; echo "FAIL: no message: ${case#*:}"; exit 1; }
done
echo "two genome files or two motif files of one name are refused"
echo "PASS"
