# Genes for a bare assembly: Prodigal's CDS predictions as GFF3, which varno
# reads with --genes. Prodigal learns its gene model from the genome itself
# when there is enough of it (its normal mode, advised from about 100 kb up);
# below that it picks among its ready-made models (meta mode). Each CDS gets a
# locus tag made of the genome's name and Prodigal's own ID (contig number,
# gene number), so that the genes of different genomes never share a tag.
# Called by the Snakefile's annotate rule, which provides the `snakemake` object.

import gzip
import os
import re
import subprocess

# Below this many letters Prodigal cannot learn a reliable gene model.
SINGLE_MODE_LETTERS = 100_000


def read_genome(path):
    """The FASTA file's bytes, decompressed: Prodigal reads plain text only."""
    with open(path, "rb") as raw:
        magic = raw.read(2)
    opener = gzip.open if magic == b"\x1f\x8b" else open
    with opener(path, "rb") as genome:
        return genome.read()


def letter_count(fasta):
    return sum(len(line.strip()) for line in fasta.splitlines() if not line.startswith(b">"))


def annotate(genome_name, genome_file, output, log_file):
    fasta = read_genome(genome_file)
    letters = letter_count(fasta)
    mode = "single" if letters >= SINGLE_MODE_LETTERS else "meta"
    command = ["prodigal", "-p", mode, "-f", "gff", "-q"]
    run = subprocess.run(command, input=fasta, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    with open(log_file, "w", encoding="latin-1") as log:
        log.write(f"{genome_name}: {letters} letters, prodigal -p {mode}\n")
        log.write(run.stderr.decode("latin-1"))
    if run.returncode != 0:
        raise SystemExit(f"prodigal failed on {genome_file} (exit status {run.returncode}); see {log_file}")
    tag = re.compile(rb"(^|;)ID=([^;]*)")
    prefix = genome_name.encode("latin-1", "replace") + b"_"
    # Written under a temporary name: a half-written file must not pass for the genome's genes.
    with open(output + ".part", "wb") as out:
        for line in run.stdout.splitlines(keepends=True):
            if not line.startswith(b"#"):
                fields = line.rstrip(b"\n").split(b"\t")
                if len(fields) == 9 and fields[2] == b"CDS":
                    found = tag.search(fields[8])
                    if found:
                        fields[8] = fields[8].rstrip(b";") + b";locus_tag=" + prefix + found.group(2)
                        line = b"\t".join(fields) + b"\n"
            out.write(line)
    os.replace(output + ".part", output)


annotate(snakemake.wildcards.genome, snakemake.input.genome, snakemake.output[0], snakemake.log[0])
