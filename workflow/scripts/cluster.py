# Clusters the proteins of every genome into ortholog groups with MMseqs2 and
# names each group. Writes orthologs.tsv (Group, Genome, Sequence, Locus tag:
# one row per member) and groups.tsv (Group, Gene, Product, Genomes, Members,
# then the members in each genome). Proteins are clustered again only when
# they, or the clustering's settings, changed: a rerun for another factor or
# a new varno reuses the last clustering. Called by the Snakefile's cluster
# rule, which provides the `snakemake` object.

import collections
import hashlib
import os
import shlex
import shutil
import subprocess
import time

import pandas

# Products that say nothing of what a protein is, passed over when naming a group.
UNINFORMATIVE = {"hypothetical protein", "uncharacterized protein"}


def read_proteins(genomes, output):
    """Every protein of every genome, in genome order: (genome, sequence id, locus tag, gene, product, letters)."""
    proteins = []
    for genome in genomes:
        path = os.path.join(output, "genomes", genome, "proteins.faa")
        if not os.path.exists(path):
            continue
        with open(path, encoding="latin-1") as fasta:
            text = fasta.read()
        # Whole records at a time: a thousand genomes hold millions of lines.
        for record in text[1:].split("\n>") if text else []:
            header, _, letters = record.partition("\n")
            # SEQID|LOCUS_TAG[ gene=NAME][ product=PRODUCT], the product last.
            name, _, rest = header.partition(" ")
            sequence, _, tag = name.rpartition("|")
            gene = product = ""
            if "product=" in rest:
                rest, _, product = rest.partition("product=")
            if rest.startswith("gene="):
                gene = rest[len("gene=") :].strip()
            proteins.append((genome, sequence, tag, gene, product.strip(), letters.replace("\n", "")))
    return proteins


def most_common(values):
    """The most frequent value, ties to the alphabetically first; None when there is none."""
    counts = collections.Counter(value for value in values if value)
    return min(counts, key=lambda value: (-counts[value], value)) if counts else None


def cluster(proteins, folder, command, options, threads, log):
    """Each protein's cluster, as the index of a protein standing for it."""
    # Strains of one species share most proteins letter for letter: MMseqs2
    # clusters each distinct sequence once (some thousands for a thousand
    # genomes of one species, not millions).
    distinct = {}
    first = [distinct.setdefault(protein[5], index) for index, protein in enumerate(proteins)]
    os.makedirs(folder, exist_ok=True)
    combined = os.path.join(folder, "proteins.faa")
    with open(combined, "w", encoding="latin-1") as out:
        for letters, index in distinct.items():
            out.write(f">{index}\n{letters}\n")
    distinct_count = len(distinct)
    del distinct
    digest = hashlib.sha256()
    with open(combined, "rb") as text:
        for block in iter(lambda: text.read(1 << 20), b""):
            digest.update(block)
    digest.update(f"{command} {options}".encode())
    fingerprint = os.path.join(folder, "fingerprint")
    clusters = os.path.join(folder, "clusters_cluster.tsv")
    unchanged = False
    if os.path.exists(clusters) and os.path.exists(fingerprint):
        with open(fingerprint) as old:
            unchanged = old.read() == digest.hexdigest()
    if unchanged:
        log.write("proteins and settings unchanged: the last clustering kept\n")
    else:
        scratch = os.path.join(folder, "scratch")
        shutil.rmtree(scratch, ignore_errors=True)
        arguments = ["mmseqs", command, combined, os.path.join(folder, "clusters"), scratch]
        arguments += shlex.split(options) + ["--threads", str(threads)]
        start = time.monotonic()
        run = subprocess.run(arguments, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        log.write(run.stdout.decode("latin-1"))
        log.write(
            f"{' '.join(arguments)}: {time.monotonic() - start:.1f} s for {len(proteins)} proteins, "
            f"{distinct_count} distinct\n"
        )
        shutil.rmtree(scratch, ignore_errors=True)
        if run.returncode != 0:
            raise SystemExit(f"mmseqs {command} failed (exit status {run.returncode}); see the log")
        with open(fingerprint, "w") as new:
            new.write(digest.hexdigest())
    centre = read_clusters(clusters)
    return [centre[index] for index in first]


def read_clusters(clusters):
    """Each clustered protein's representative, by their indices."""
    centre = {}
    with open(clusters) as table:
        for line in table:
            representative, member = line.split()
            centre[int(member)] = int(representative)
    return centre


def name_groups(proteins, representative):
    """Each protein's group name: the gene name most members carry, else the most common
    informative product, else the first member's locus tag; a repeated name gets _2, _3, ..."""
    members = collections.defaultdict(list)
    for index, centre in enumerate(representative):
        members[centre].append(index)
    # Groups in the order of their first member: genome order, then file order.
    groups = sorted(members.values(), key=min)
    used = set()
    group_of = [None] * len(proteins)
    named = []
    for indices in groups:
        name = most_common(proteins[i][3] for i in indices)
        if name is None:
            name = most_common(p for p in (proteins[i][4] for i in indices) if p.lower() not in UNINFORMATIVE)
        if name is None:
            name = proteins[indices[0]][2]
        # Prokka names paralogs soj, soj_2, ...: a suffix never takes a name another group has.
        base, copy = name, 1
        while name in used:
            copy += 1
            name = f"{base}_{copy}"
        used.add(name)
        for i in indices:
            group_of[i] = name
        product = most_common(proteins[i][4] for i in indices) or ""
        named.append((name, most_common(proteins[i][3] for i in indices) or "", product, indices))
    return group_of, named


def main(snakemake):
    params = snakemake.params
    with open(snakemake.log[0], "w") as log:
        proteins = read_proteins(params.genomes, params.output)
        if proteins:
            representative = cluster(
                proteins,
                os.path.join(params.output, "orthologs"),
                params.command,
                params.options,
                snakemake.threads,
                log,
            )
        else:
            representative = []
        group_of, groups = name_groups(proteins, representative)
        members = pandas.DataFrame(
            {
                "Group": group_of,
                "Genome": [p[0] for p in proteins],
                "Sequence": [p[1] for p in proteins],
                "Locus tag": [p[2] for p in proteins],
            }
        )
        members.to_csv(snakemake.output.members, sep="\t", index=False)
        counts = (
            members.groupby(["Group", "Genome"])
            .size()
            .unstack(fill_value=0)
            .reindex(index=[g[0] for g in groups], columns=params.genomes, fill_value=0)
        )
        table = pandas.DataFrame(
            {
                "Group": [g[0] for g in groups],
                "Gene": [g[1] for g in groups],
                "Product": [g[2] for g in groups],
                "Genomes": (counts > 0).sum(axis=1).to_numpy(),
                "Members": [len(g[3]) for g in groups],
            }
        )
        table = pandas.concat([table, counts.reset_index(drop=True)], axis=1)
        table.to_csv(snakemake.output.groups, sep="\t", index=False)
        log.write(f"{len(groups)} groups of {len(proteins)} proteins\n")


# Run by Snakemake, which provides the `snakemake` object; imported by the tests.
if "snakemake" in globals():
    main(snakemake)
