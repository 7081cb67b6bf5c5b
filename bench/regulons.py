#!/usr/bin/env python3
"""Gene-level precision and recall of the regulon table against curated regulons.

Runs varno --regulon on the example E. coli K-12 genome for LexA (the example's
sites) and, when a folder of site collections is given, for PurR
(ecoli_PurR.txt there), and counts every gene of every unit in the table
against the curated regulon of the factor, genes matched by locus tag.

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


def predicted_units(varno, sites, options, gap, work):
    """The rows of the regulon table of one run, as dictionaries."""
    out = os.path.join(work, "out")
    shutil.rmtree(out, ignore_errors=True)
    command = [varno, "--regulon", "--operon-gap", str(gap), "--outdir", out, GENOME, sites, options]
    subprocess.run(command, cwd=work, check=True, stdout=subprocess.DEVNULL)
    [name] = [f for f in os.listdir(out) if f.endswith("_regulon.tsv")]
    with open(os.path.join(out, name), newline="") as table:
        return list(csv.DictReader(table, delimiter="\t"))


def measure(factor, rows, truth):
    predicted = set()
    for row in rows:
        predicted.update(row["unit_locus_tags"].split(","))
    found = predicted & truth
    precision = len(found) / len(predicted) if predicted else float("nan")
    recall = len(found) / len(truth) if truth else float("nan")
    print(
        f"{factor:6s} units {len(rows):3d}  genes {len(predicted):3d}  curated {len(truth):3d}  "
        f"in both {len(found):3d}  precision {precision:.3f}  recall {recall:.3f}"
    )
    names = {}
    for row in rows:
        for tag, gene in zip(row["unit_locus_tags"].split(","), row["unit_genes"].split(",")):
            names[tag] = gene
    extra = [f"{names[tag]}({tag})" for tag in sorted(predicted - truth)]
    print(f"       predicted, not curated: {' '.join(extra) or '-'}")


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
            rows = predicted_units(varno, os.path.abspath(sites), os.path.abspath(arguments.options),
                                   arguments.operon_gap, work)
            measure(factor, rows, curated_genes(regulon))
    return 0


if __name__ == "__main__":
    sys.exit(main())
