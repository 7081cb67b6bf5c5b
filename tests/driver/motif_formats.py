#!/usr/bin/env python3
"""Judges varno's motif formats by Biopython's Bio.motifs, reader and writer.

Usage: motif_formats.py VARNO SAMPLES_FOLDER SEQUENCE_FILE WORK_FOLDER

Each sample matrix file of SAMPLES_FOLDER is scanned with --motif-out in
every format varno writes; Biopython reads the sample and each written file.
Every written file must hold the sample's motifs, in order, with the counts
Biopython reads from the sample (matrices of frequencies or percentages, which
varno scales to a number of sites, by their frequencies), and varno's counts
to 1e-12 of Biopython's. Prints what differs and exits 1 when anything does.
"""
import os
import subprocess
import sys

from Bio import motifs

# The sample's Biopython format by its name; .pfm files hold several
# layouts, told by their first lines.
SAMPLE_FORMATS = {".transfac": "transfac", ".dat": "transfac", ".meme": "minimal", ".jaspar": "jaspar"}
WRITTEN = {"meme": ("minimal", ".meme"), "jaspar": ("jaspar", ".jaspar"), "transfac": ("transfac", ".transfac")}


def pfm_format(path):
    with open(path) as handle:
        lines = [line.strip() for line in handle if line.strip()]
    if any(line.startswith("Pos") for line in lines):
        return "pfm-four-columns"
    if any(line[0] in "ACGT" and not line[1:2].isalnum() for line in lines):
        return "pfm-four-rows"
    return "pfm"


def read(path, form):
    with open(path) as handle:
        if form == "pfm":
            return [motifs.read(handle, "pfm")]
        return list(motifs.parse(handle, form, strict=False) if form == "transfac" else motifs.parse(handle, form))


def columns(motif):
    return [[float(motif.counts[letter][i]) for letter in "ACGT"] for i in range(motif.length)]


def as_frequencies(matrix):
    return [[value / sum(column) for value in column] for column in matrix]


def close(a, b, tolerance):
    return len(a) == len(b) and all(
        abs(x - y) <= tolerance * max(1.0, abs(x), abs(y)) for p, q in zip(a, b) for x, y in zip(p, q)
    )


def main():
    varno, samples, sequence, work = sys.argv[1:]
    failures = []
    for name in sorted(os.listdir(samples)):
        sample = os.path.join(samples, name)
        extension = os.path.splitext(name)[1]
        if extension == ".pfm":
            form = pfm_format(sample)
        elif extension in SAMPLE_FORMATS:
            form = SAMPLE_FORMATS[extension]
        else:
            continue
        try:
            expected = read(sample, form)
        except (ValueError, IndexError) as error:
            # Some layouts are newer than the Biopython of the distribution.
            print(f"{name}: this Biopython cannot read it ({error}); varno's reading is checked by its unit tests")
            continue
        for out_format, (read_format, suffix) in WRITTEN.items():
            folder = os.path.join(work, f"{name}.{out_format}")
            run = subprocess.run(
                [varno, "--no-logs", "--cutoff", "1000", "--motif-out", out_format, "--outdir", folder, sequence,
                 sample],
                capture_output=True, text=True)
            if run.returncode != 0 and "Two motifs are named" in run.stdout:
                # Files named after their motifs would overwrite each other.
                print(f"{name}: holds two motifs of one name, refused as it should be")
                break
            if run.returncode != 0:
                failures.append(f"{name} --motif-out {out_format}: exit {run.returncode}: {run.stdout}")
                continue
            written = sorted(f for f in os.listdir(folder) if f.endswith(suffix))
            got = [motif for f in written for motif in read(os.path.join(folder, f), read_format)]
            if len(got) != len(expected):
                failures.append(f"{name} --motif-out {out_format}: {len(got)} motifs, Biopython reads {len(expected)}")
                continue
            # One file per motif, named after it: the motifs are matched as a set.
            left = list(got)
            for index, motif in enumerate(expected):
                want = columns(motif)
                totals = [sum(column) for column in want]
                counts = not all(abs(t - 1) <= 0.01 for t in totals) and not all(abs(t - 100) <= 1 for t in totals)

                def same(mine):
                    have = columns(mine)
                    if counts and out_format != "meme":
                        return close(want, have, 1e-12)
                    return close(as_frequencies(want), as_frequencies(have), 1e-6 if out_format == "meme" else 1e-12)

                match = next((mine for mine in left if same(mine)), None)
                if match is None:
                    failures.append(f"{name} motif {index + 1} ({motif.name}) --motif-out {out_format}: none of "
                                    f"{[columns(m) for m in left]} has its counts {want}")
                else:
                    left.remove(match)
    for failure in failures:
        print(failure)
    print(f"{len(failures)} differences")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
