# Gathers the results files of every genome x factor pair into the hits table,
# the regulon table and its heat map, and lists the pairs that failed. The
# sequence names and gene texts come from each pair's hit table instead: the
# results file keeps only their first lines, with commas as '.'.
# Called by the Snakefile's gather rule, which provides the `snakemake` object.

import math
import os
import sys
import time

RESULTS_HEADER = (
    "Score,Motif,Strand,Distance,Type,Abs. position,Gene strand,Start,End,"
    "Gene tag,Gene,Product,Local Mean,Up Mean,Dw Mean"
)
RESULTS_COLUMNS = RESULTS_HEADER.count(",") + 1
SCORE, MOTIF, STRAND, TYPE, GENE_TAG, GENE, PRODUCT = 0, 1, 2, 4, 9, 10, 11
# The hit table's columns holding the whole texts, by the results file's
# column each stands for. Found by name: integration adds a column.
WHOLE_GENE_TEXTS = {"locus_tag": GENE_TAG, "gene": GENE, "product": PRODUCT}
# The methods that score better windows lower, by the name a results file gives.
LOWER_IS_BETTER = {"BvH HI", "Rsequence_BvH"}


def read_hits(results_file):
    """The method's name and the (sequence name, fields) of every hit row of a results file."""
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
        sys.exit(f"{results_file}: {len(hits)} hit rows but the summary says Sites,{summary.get('Sites')}.")
    return summary.get("Method"), hits


def table_text(field, cut):
    """A text of varno's hit table as it was before writing; `cut` (the results file's text) where it says NA."""
    # NA stands for an empty text, and for every gene text of a hit placed
    # against no gene, where the results file has its own.
    if field == "NA":
        return cut
    # Only a text holding a quote is quoted, its quotes doubled.
    if field.startswith('"'):
        return field[1:-1].replace('""', '"')
    return field


def with_whole_texts(table_file, hits):
    """The hits of a results file with the sequence names and gene texts of its hit table.

    The table lists the same hits in the same order; each row's score, window
    and strand are checked against its hit's.
    """
    with open(table_file, encoding="latin-1", newline="\n") as lines:
        header = next(lines).rstrip("\n").split("\t")
        column = {name: index for index, name in enumerate(header)}
        rows = [line.rstrip("\n").split("\t") for line in lines]
    if len(rows) != len(hits):
        sys.exit(f"{table_file}: {len(rows)} rows for the {len(hits)} hits of its results file.")
    whole = []
    for number, (row, (sequence, fields)) in enumerate(zip(rows, hits), 2):
        if len(row) != len(header) or [row[column["score"]], row[column["window"]], row[column["strand"]]] != [
            fields[SCORE],
            fields[MOTIF],
            "+" if fields[STRAND] == "1" else "-",
        ]:
            sys.exit(f"{table_file}, line {number}: not the results file's hit {fields[:3]}.")
        fields = list(fields)
        for name, index in WHOLE_GENE_TEXTS.items():
            fields[index] = table_text(row[column[name]], fields[index])
        whole.append((table_text(row[column["seq_name"]], sequence), fields))
    return whole


def tsv_field(text):
    # Sequence and file names may hold tabs or carriage returns; they would break the table.
    return text.replace("\t", " ").replace("\r", " ")


def read_failures(status_files):
    failures = {}
    for status_file in status_files:
        with open(status_file, encoding="latin-1", newline="\n") as table:
            next(table)
            for line in table:
                genome, factor, message = line.rstrip("\n").split("\t")
                if message:
                    failures[(genome, factor)] = message
    return failures


def gather(genomes, factors, output, status_files, hits_table, failed_table):
    """Writes the hits table and the failures; returns the regulons and each factor's direction."""
    failures = read_failures(status_files)
    # (factor, gene) -> genome -> (score, its text)
    regulons = {}
    lower_is_better = {}
    with open(hits_table, "w", encoding="latin-1", newline="\n") as out:
        out.write("\t".join(["Factor", "Genome", "Sequence"] + RESULTS_HEADER.split(",")) + "\n")
        for factor in factors:
            for genome in genomes:
                results = os.path.join(output, "results", factor, genome + ".csv")
                table = os.path.join(output, "results", factor, genome + ".tsv")
                if (tsv_field(genome), factor) in failures:
                    continue
                if not os.path.exists(results):
                    failures[(tsv_field(genome), factor)] = "no results file"
                    continue
                if not os.path.exists(table):
                    failures[(tsv_field(genome), factor)] = "no hit table"
                    continue
                method, hits = read_hits(results)
                hits = with_whole_texts(table, hits)
                lower = method in LOWER_IS_BETTER
                lower_is_better.setdefault(factor, lower)
                for sequence, fields in hits:
                    out.write("\t".join(tsv_field(f) for f in [factor, genome, sequence] + fields) + "\n")
                    if fields[TYPE] != "Operator":
                        continue
                    gene = fields[GENE] or fields[GENE_TAG]
                    score = float(fields[SCORE])
                    cells = regulons.setdefault((factor, tsv_field(gene)), {})
                    best = cells.get(genome)
                    if best is None or (score < best[0] if lower else score > best[0]):
                        cells[genome] = (score, fields[SCORE])
    with open(failed_table, "w", encoding="latin-1", newline="\n") as out:
        out.write("Genome\tFactor\tMessage\n")
        for (genome, factor), message in sorted(failures.items()):
            out.write(f"{genome}\t{factor}\t{message}\n")
    return regulons, lower_is_better


def conservation_order(regulons, lower_is_better):
    """Most conserved first, then by factor, then the strongest hit first."""

    def strength(key):
        scores = [cell[0] for cell in regulons[key].values()]
        return min(scores) if lower_is_better.get(key[0]) else -max(scores)

    return sorted(regulons, key=lambda key: (-len(regulons[key]), key[0], strength(key), key[1]))


def write_regulons(regulons, lower_is_better, genomes, table):
    with open(table, "w", encoding="latin-1", newline="\n") as out:
        out.write("\t".join(["Factor", "Gene"] + [tsv_field(g) for g in genomes] + ["Genomes"]) + "\n")
        for key in conservation_order(regulons, lower_is_better):
            cells = regulons[key]
            row = list(key) + [cells[g][1] if g in cells else "" for g in genomes] + [str(len(cells))]
            out.write("\t".join(row) + "\n")


def draw_heat_map(regulons, lower_is_better, genomes, factors, picture, max_rows, max_genomes):
    """Each factor's most conserved genes (rows) in the genomes with most operator hits (columns).

    Scores of different factors and methods do not compare, so each row's
    colour is its score's place between its factor's worst and best cell.
    """
    import matplotlib

    matplotlib.use("svg")
    import matplotlib.pyplot as plt

    # Reproducible drawings (no date, fixed element ids) whose labels stay
    # text, searchable and small, rather than outlines.
    matplotlib.rcParams["svg.hashsalt"] = "varno"
    matplotlib.rcParams["svg.fonttype"] = "none"
    per_factor = max(1, max_rows // max(1, len(factors)))
    rows = []
    order = conservation_order(regulons, lower_is_better)
    for factor in factors:
        keys = [key for key in order if key[0] == factor]
        rows += keys[:per_factor]
    hits_per_genome = {g: sum(1 for key in rows if g in regulons[key]) for g in genomes}
    shown = sorted(sorted(genomes, key=lambda g: -hits_per_genome[g])[:max_genomes], key=genomes.index)
    grid = [[math.nan] * len(shown) for _ in rows]
    for factor in factors:
        scores = [cell[0] for key in rows if key[0] == factor for cell in regulons[key].values()]
        if not scores:
            continue
        worst, best = (max(scores), min(scores)) if lower_is_better.get(factor) else (min(scores), max(scores))
        for r, key in enumerate(rows):
            if key[0] != factor:
                continue
            for c, genome in enumerate(shown):
                if genome in regulons[key]:
                    score = regulons[key][genome][0]
                    grid[r][c] = 1.0 if best == worst else (score - worst) / (best - worst)
    height = 1.5 + 0.22 * max(1, len(rows))
    width = 3 + 0.25 * max(1, len(shown))
    figure, axes = plt.subplots(figsize=(min(width, 40), min(height, 40)))
    if not rows or not shown:
        axes.text(0.5, 0.5, "no operator hits", ha="center", va="center")
        axes.set_axis_off()
        figure.savefig(picture, format="svg", metadata={"Date": None})
        plt.close(figure)
        return
    colours = matplotlib.colormaps["viridis"].copy()
    colours.set_bad("#eeeeee")
    image = axes.imshow(grid, aspect="auto", cmap=colours, vmin=0, vmax=1, interpolation="nearest")
    axes.set_yticks(range(len(rows)), [f"{factor}  {gene}" for factor, gene in rows], fontsize=8)
    axes.set_xticks(range(len(shown)), shown, rotation=90, fontsize=8)
    axes.set_title(
        f"Operator hits: {len(rows)} of {len(regulons)} factor x gene rows, {len(shown)} of {len(genomes)} genomes",
        fontsize=9,
    )
    colour_bar = figure.colorbar(image, ax=axes, fraction=0.05)
    colour_bar.set_label("score, from the factor's worst (0) to best (1)", fontsize=8)
    figure.tight_layout()
    figure.savefig(picture, format="svg", metadata={"Date": None})
    plt.close(figure)


def main(snakemake):
    params = snakemake.params
    with open(snakemake.log[0], "w") as log:
        start = time.monotonic()
        regulons, lower_is_better = gather(
            params.genomes,
            params.factors,
            params.output,
            snakemake.input.batches,
            snakemake.output.hits,
            snakemake.output.failed,
        )
        log.write(f"hits table and failures: {time.monotonic() - start:.3f} s\n")
        start = time.monotonic()
        write_regulons(regulons, lower_is_better, params.genomes, snakemake.output.regulons)
        log.write(f"regulon table: {time.monotonic() - start:.3f} s\n")
        start = time.monotonic()
        draw_heat_map(
            regulons,
            lower_is_better,
            params.genomes,
            params.factors,
            snakemake.output.heat_map,
            int(params.heat_map_rows),
            int(params.heat_map_genomes),
        )
        log.write(f"heat map: {time.monotonic() - start:.3f} s\n")


main(snakemake)
