#!/usr/bin/env python3
"""Gene-level precision and recall of the regulon table against curated regulons.

Runs varno --regulon on the example E. coli K-12 genome for LexA (the example's
sites) and, when a folder of site collections is given, for PurR
(ecoli_PurR.txt there), and counts the genes of the units in the table against
the curated regulon of the factor, genes matched by locus tag. Each factor is
measured under several selections: every operator hit at the threshold's
cut-off, the run's own bounds q <= 0.05, q <= 0.1 and p <= 1e-5 (--max-q,
--max-p), and the table's own default (q <= 0.1 among the hits of the
threshold's cut-off); each counting the units' genes ("unit") and their first
genes alone ("first"). Recall is over every gene of the curated regulon.

The curated regulons are read where they lie and never copied: give their
folder with --regulons (files ecoli_K12_<Factor>_regulon.tsv, with a column
locus_tag_NC_000913.3). Without it, or when it is absent, the script says so
and stops with status 0.

Usage, from the repository root:
  bench/regulons.py --regulons DIR [--sites DIR] [--varno build/varno]
                    [--operon-gap G] [--options examples/Options.txt]
"""

import argparse
import csv
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GENOME = os.path.join(ROOT, "examples", "ecoli_k12.gbk")
TAG_COLUMN = "locus_tag_NC_000913.3"


def curated_genes(path):
    with open(path, newline="") as table:
        return {row[TAG_COLUMN] for row in csv.DictReader(table, delimiter="\t") if row.get(TAG_COLUMN)}


def predicted_units(varno, sites, options, gap, work, selection=()):
    """The rows of the regulon table of one run, as dictionaries, and the
    score cut-off its BED header gives."""
    out = os.path.join(work, "out")
    shutil.rmtree(out, ignore_errors=True)
    command = [varno, "--regulon", "--bed", "--operon-gap", str(gap), "--outdir", out, *selection,
               GENOME, sites, options]
    subprocess.run(command, cwd=work, check=True, stdout=subprocess.DEVNULL)
    [name] = [f for f in os.listdir(out) if f.endswith("_regulon.tsv")]
    with open(os.path.join(out, name), newline="") as table:
        rows = list(csv.DictReader(table, delimiter="\t"))
    [bed] = [f for f in os.listdir(out) if f.endswith(".bed")]
    with open(os.path.join(out, bed)) as header:
        cutoff = float(header.readline().split("; cut-off ")[1].split()[0])
    return rows, cutoff


def measure(label, rows, truth):
    """Prints precision and recall of the units' genes and of their first genes."""
    for part, genes_of in (("unit", lambda row: row["unit_locus_tags"].split(",")),
                           ("first", lambda row: [row["locus_tag"]])):
        predicted = set()
        for row in rows:
            predicted.update(genes_of(row))
        found = predicted & truth
        precision = len(found) / len(predicted) if predicted else float("nan")
        recall = len(found) / len(truth) if truth else float("nan")
        print(f"  {label:22s} {part:5s}  units {len(rows):3d}  genes {len(predicted):3d}  in both {len(found):3d}"
              f"  precision {precision:.2f}  recall {recall:.2f}")


def measure_factor(factor, varno, sites, options, gap, work, truth):
    print(f"{factor}: {len(truth)} curated genes")
    # Every operator hit at the threshold's cut-off: the units of a loose run
    # whose best hit reaches that cut-off (methods 2 and 3 score better lower).
    default_rows, cutoff = predicted_units(varno, sites, options, gap, work)
    loose_rows, _ = predicted_units(varno, sites, options, gap, work, ("--max-p", "1e-2"))
    lower = any(float(row["best_score"]) < cutoff for row in default_rows)
    passing = [row for row in loose_rows
               if (float(row["best_score"]) < cutoff if lower else float(row["best_score"]) > cutoff)]
    measure("threshold's cut-off", passing, truth)
    for label, bound in (("q <= 0.05", ("--max-q", "0.05")), ("q <= 0.1", ("--max-q", "0.1")),
                         ("p <= 1e-5", ("--max-p", "1e-5"))):
        rows, _ = predicted_units(varno, sites, options, gap, work, bound)
        measure(label, rows, truth)
    measure("table's default", default_rows, truth)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--regulons", help="folder of the curated regulons (read, never copied)")
    parser.add_argument("--sites", help="folder of site collections holding ecoli_PurR.txt")
    parser.add_argument("--varno", default=os.path.join(ROOT, "build", "varno"))
    parser.add_argument("--options", default=os.path.join(ROOT, "examples", "Options.txt"))
    parser.add_argument("--operon-gap", type=int, default=50)
    arguments = parser.parse_args()

    if not arguments.regulons or not os.path.isdir(arguments.regulons):
        print("bench/regulons.py: skipped, no folder of curated regulons given (--regulons DIR)")
        return 0
    varno = os.path.abspath(arguments.varno)
    if not os.access(varno, os.X_OK):
        print(f"bench/regulons.py: no varno at {arguments.varno}; build it or give --varno", file=sys.stderr)
        return 1

    factors = [("LexA", os.path.join(ROOT, "examples", "lexa_sites.txt"))]
    purr = os.path.join(arguments.sites, "ecoli_PurR.txt") if arguments.sites else None
    if purr and os.path.isfile(purr):
        factors.append(("PurR", purr))
    else:
        print("PurR skipped: no ecoli_PurR.txt in a folder given with --sites")

    print(f"operon gap {arguments.operon_gap}; units' genes against the curated regulon, by locus tag")
    with tempfile.TemporaryDirectory() as work:
        for factor, sites in factors:
            regulon = os.path.join(arguments.regulons, f"ecoli_K12_{factor}_regulon.tsv")
            if not os.path.isfile(regulon):
                print(f"{factor}: skipped, no {os.path.basename(regulon)} in the regulons folder")
                continue
            measure_factor(factor, varno, os.path.abspath(sites), os.path.abspath(arguments.options),
                           arguments.operon_gap, work, curated_genes(regulon))
    return 0


if __name__ == "__main__":
    sys.exit(main())
