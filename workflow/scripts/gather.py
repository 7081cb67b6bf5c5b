# Gathers the tables of every genome: the hit tables into one, with a genome
# column; the regulon units into the regulon table of factors x ortholog
# groups by genome, and its heat map; and the genomes that failed. Called by
# the Snakefile's gather rule, which provides the `snakemake` object.

import os
import time

import numpy
import pandas

NO_GENES = "NA"  # the cells of a genome without genes: not regulated or not, unknown


def read_failures(status_files):
    failures = {}
    for status_file in status_files:
        with open(status_file, encoding="latin-1", newline="\n") as table:
            next(table)
            for line in table:
                genome, message = line.rstrip("\n").split("\t")
                if message:
                    failures[genome] = message
    return failures


def tsv_field(text):
    # Genome names may hold tabs or carriage returns; they would break the table.
    return text.replace("\t", " ").replace("\r", " ")


def table_of(output, genome, name):
    return os.path.join(output, "genomes", genome, name)


def gather_hits(genomes, output, hits_table):
    """The hit tables one after the other, each row led by its genome, as bytes: no row is parsed."""
    header = None
    with open(hits_table, "wb") as out:
        for genome in genomes:
            with open(table_of(output, genome, "hits.tsv"), "rb") as table:
                first = table.readline()
                if header is None:
                    header = first
                    out.write(b"genome\t" + first)
                elif first != header:
                    raise SystemExit(f"{genome}: its hit table's columns differ from the first genome's")
                prefix = b"\n" + tsv_field(genome).encode("latin-1") + b"\t"
                body = table.read()
                if body:
                    # Each line's end leads the next: the first line's lead goes before it.
                    out.write(prefix[1:] + body[:-1].replace(b"\n", prefix) + body[-1:])
    if header is None:
        with open(hits_table, "w") as out:
            out.write("genome\n")


def read_units(genomes, output):
    """Every regulon unit of every genome, one row per gene of the unit."""
    frames = []
    for genome in genomes:
        units = pandas.read_csv(
            table_of(output, genome, "regulon.tsv"),
            sep="\t",
            usecols=["motif", "seq_id", "unit_locus_tags", "unit_p_value"],
            dtype={"motif": str, "seq_id": str, "unit_locus_tags": str},
            keep_default_na=False,
            encoding="latin-1",
        )
        units.insert(0, "Genome", genome)
        frames.append(units)
    if not frames:
        return pandas.DataFrame(columns=["Genome", "motif", "seq_id", "Locus tag", "unit_p_value"])
    units = pandas.concat(frames, ignore_index=True)
    units["Locus tag"] = units.pop("unit_locus_tags").str.split(",")
    return units.explode("Locus tag", ignore_index=True)


def regulon_table(units, members, groups, genomes):
    """One row per factor and ortholog group: each genome's least unit p-value among the
    units holding a member of the group there, where the group is present, where regulated."""
    units = units.merge(
        members, how="left", left_on=["Genome", "seq_id", "Locus tag"], right_on=["Genome", "Sequence", "Locus tag"]
    )
    # A gene of no group (no protein: a pseudogene, say) stands for itself.
    units["Group"] = units["Group"].fillna(units["Locus tag"])
    cells = units.groupby(["motif", "Group", "Genome"])["unit_p_value"].min().unstack("Genome")
    cells = cells.reindex(columns=genomes)
    present = groups.set_index("Group")[genomes].gt(0).sum(axis=1)
    table = cells.reset_index().rename(columns={"motif": "Factor"})
    table["Present"] = table["Group"].map(present).fillna(1).astype(int)
    table["Regulated"] = cells.notna().sum(axis=1).to_numpy()
    best = cells.min(axis=1).to_numpy()
    order = numpy.lexsort((table["Group"], best, table["Factor"], -table["Present"], -table["Regulated"]))
    table = table.iloc[order].reset_index(drop=True)
    return table


def write_regulons(table, genomes, without_genes, path):
    text = table.copy()
    for genome in genomes:
        column = text[genome].map(lambda p: "" if pandas.isna(p) else repr(float(p)))
        text[genome] = NO_GENES if genome in without_genes else column
    text.columns = [tsv_field(str(name)) for name in text.columns]
    text.to_csv(path, sep="\t", index=False, encoding="latin-1")


def draw_heat_map(table, genomes, without_genes, picture, max_rows, max_genomes):
    """The most regulated groups of each factor (rows) in the genomes where most are regulated
    (columns), each cell coloured by -log10 of its p-value, which compares across factors; the
    genomes ordered by clustering their profiles, with the dendrogram from three genomes up."""
    import matplotlib

    matplotlib.use("svg")
    import matplotlib.pyplot as plt
    from scipy.cluster import hierarchy

    # Reproducible drawings (no date, fixed element ids) whose labels stay
    # text, searchable and small, rather than outlines.
    matplotlib.rcParams["svg.hashsalt"] = "varno"
    matplotlib.rcParams["svg.fonttype"] = "none"
    factors = list(dict.fromkeys(table["Factor"]))
    per_factor = max(1, max_rows // max(1, len(factors)))
    rows = pandas.concat([table[table["Factor"] == f].head(per_factor) for f in factors]) if factors else table
    regulated = rows[genomes].notna().sum(axis=0)
    most = set(regulated.sort_values(ascending=False, kind="stable").index[:max_genomes])
    shown = [g for g in genomes if g in most]
    scores = -numpy.log10(rows[shown].astype(float).clip(lower=1e-300)).to_numpy() if len(rows) else None
    if not len(rows) or not shown:
        figure, axes = plt.subplots(figsize=(4, 1.5))
        axes.text(0.5, 0.5, "no regulated genes", ha="center", va="center")
        axes.set_axis_off()
        figure.savefig(picture, format="svg", metadata={"Date": None}, bbox_inches="tight")
        plt.close(figure)
        return
    profiles = numpy.nan_to_num(scores.T, nan=0.0)
    order = list(range(len(shown)))
    clustered = len(shown) >= 3
    if clustered:
        tree = hierarchy.linkage(profiles, method="average")
        order = hierarchy.leaves_list(tree).tolist()
    shown = [shown[i] for i in order]
    scores = scores[:, order]
    height = 2 + 0.22 * len(rows) + (0.8 if clustered else 0)
    width = 4 + 0.25 * len(shown)
    figure = plt.figure(figsize=(min(width, 40), min(height, 40)))
    grid = figure.add_gridspec(2, 2, height_ratios=[0.8 if clustered else 0.01, 0.22 * len(rows)], width_ratios=[40, 1])
    axes = figure.add_subplot(grid[1, 0])
    if clustered:
        top = figure.add_subplot(grid[0, 0])
        hierarchy.dendrogram(tree, ax=top, no_labels=True, color_threshold=0, above_threshold_color="#555555")
        # Its leaves lie at 5, 15, 25, ...: over the columns below.
        top.set_xlim(0, 10 * len(shown))
        top.set_axis_off()
    colours = matplotlib.colormaps["viridis"].copy()
    colours.set_bad("#eeeeee")
    image = axes.imshow(numpy.ma.masked_invalid(scores), aspect="auto", cmap=colours, vmin=0, interpolation="nearest")
    for column, genome in enumerate(shown):
        if genome in without_genes:
            axes.add_patch(
                matplotlib.patches.Rectangle(
                    (column - 0.5, -0.5), 1, len(rows), fill=False, hatch="///", edgecolor="#999999", linewidth=0
                )
            )
    axes.set_yticks(range(len(rows)), [f"{f}  {g}" for f, g in zip(rows["Factor"], rows["Group"])], fontsize=8)
    axes.set_xticks(
        range(len(shown)), [g + (" (no genes)" if g in without_genes else "") for g in shown], rotation=90, fontsize=8
    )
    figure.suptitle(
        f"Regulated ortholog groups: {len(rows)} of {len(table)} factor x group rows,\n"
        f"{len(shown)} of {len(genomes)} genomes",
        fontsize=9,
    )
    colour_bar = figure.colorbar(image, cax=figure.add_subplot(grid[1, 1]))
    colour_bar.set_label("-log10 unit p-value", fontsize=8)
    figure.savefig(picture, format="svg", metadata={"Date": None}, bbox_inches="tight")
    plt.close(figure)


def main(snakemake):
    params = snakemake.params
    output = params.output
    with open(snakemake.log[0], "w") as log:
        start = time.monotonic()
        failures = read_failures(snakemake.input.batches)
        for genome in params.genomes:
            if genome not in failures and not all(
                os.path.exists(table_of(output, genome, name)) for name in ("hits.tsv", "regulon.tsv")
            ):
                failures[genome] = "no tables"
        genomes = [g for g in params.genomes if g not in failures]
        with open(snakemake.output.failed, "w", encoding="latin-1", newline="\n") as out:
            out.write("Genome\tMessage\n")
            for genome, message in sorted(failures.items()):
                out.write(f"{tsv_field(genome)}\t{message}\n")
        gather_hits(genomes, output, snakemake.output.hits)
        log.write(f"hits table: {time.monotonic() - start:.3f} s\n")
        start = time.monotonic()
        members = pandas.read_csv(snakemake.input.members, sep="\t", dtype=str, keep_default_na=False)
        groups = pandas.read_csv(snakemake.input.groups, sep="\t", keep_default_na=False, dtype={"Group": str})
        for genome in genomes:
            if genome not in groups.columns:
                groups[genome] = 0
        without_genes = {g for g in genomes if groups[g].sum() == 0}
        table = regulon_table(read_units(genomes, output), members, groups, genomes)
        write_regulons(table, genomes, without_genes, snakemake.output.regulons)
        log.write(f"regulon table: {time.monotonic() - start:.3f} s\n")
        start = time.monotonic()
        draw_heat_map(
            table,
            genomes,
            without_genes,
            snakemake.output.heat_map,
            int(params.heat_map_rows),
            int(params.heat_map_genomes),
        )
        log.write(f"heat map: {time.monotonic() - start:.3f} s\n")


main(snakemake)
