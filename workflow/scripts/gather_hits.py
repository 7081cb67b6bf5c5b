# Gathers the hits of every genome's results file into one tab-separated
# table: the genome, the sequence name, then the fifteen results columns.
# Called by the Snakefile's gather rule, which provides the `snakemake` object.

import sys

RESULTS_HEADER = (
    "Score,Motif,Strand,Distance,Type,Abs. position,Gene strand,Start,End,"
    "Gene tag,Gene,Product,Local Mean,Up Mean,Dw Mean"
)
RESULTS_COLUMNS = RESULTS_HEADER.count(",") + 1


def read_hits(results_file):
    """The (sequence name, fields) of every hit row of a results file, in file order."""
    hits = []
    sequence = None
    # latin-1 passes every byte through unchanged; only "\n" ends a line.
    with open(results_file, encoding="latin-1", newline="\n") as lines:
        for number, line in enumerate(lines, 1):
            line = line.rstrip("\n")
            if line == "":
                break
            if line.startswith("Sequence,"):
                sequence = line[len("Sequence,") :]
            elif line.startswith("Global score mean:,") or line == RESULTS_HEADER:
                continue
            else:
                fields = line.split(",")
                if sequence is None or len(fields) != RESULTS_COLUMNS:
                    sys.exit(f"{results_file}, line {number}: not a hit row: {line}")
                hits.append((sequence, fields))
        # The summary after the empty line counts the hits; checking it
        # catches a cut-off file or a misread row.
        summary = dict(line.rstrip("\n").split(",", 1) for line in lines if "," in line)
    if summary.get("Sites") != str(len(hits)):
        sys.exit(
            f"{results_file}: {len(hits)} hit rows but the summary says Sites,{summary.get('Sites')}."
        )
    return hits


def tsv_field(text):
    # Sequence names may hold tabs or carriage returns; they would break the table.
    return text.replace("\t", " ").replace("\r", " ")


def gather_hits(genomes, results_files, table):
    with open(table, "w", encoding="latin-1", newline="\n") as out:
        out.write("\t".join(["Genome", "Sequence"] + RESULTS_HEADER.split(",")) + "\n")
        for genome, results_file in zip(genomes, results_files):
            for sequence, fields in read_hits(results_file):
                out.write("\t".join(tsv_field(f) for f in [genome, sequence] + fields) + "\n")


gather_hits(snakemake.params.genomes, snakemake.input, snakemake.output[0])
