# Scans a batch of genomes, one varno run per genome for every factor at once,
# each in its own folder, so that the files a run writes and its VarnoLog.txt
# never meet another run's. Once a run is complete, its hit table and regulon
# table (all factors in one each) are put in place as genomes/GENOME/hits.tsv
# and regulon.tsv, and its proteins as proteins.faa, that one only when it
# changed, so that the clustering sees unchanged proteins as such. A genome
# that fails leaves none of them; its message goes to the log and to the
# batch's status file, and the batch goes on; its run folder stays for a look. Called by the Snakefile's
# scan_batch rule, which provides the `snakemake` object.

import filecmp
import os
import shutil
import subprocess
import time

COMPRESSED_SUFFIXES = (".gz", ".GZ")


def stem_of(file_name):
    """The file name up to its last '.', as varno names its output files."""
    for suffix in COMPRESSED_SUFFIXES:
        if file_name.endswith(suffix):
            file_name = file_name[: -len(suffix)]
    return file_name.rpartition(".")[0]


def scan_genome(genome, genome_file, genes, factors, options, arguments, varno, output, environment, log, keep_run):
    """Scans one genome; returns the failure's message (None on success) and varno's wall time."""
    run_folder = os.path.join(output, "runs", genome)
    # A fresh folder, so that the tables in it and any VarnoLog.txt are this run's.
    shutil.rmtree(run_folder, ignore_errors=True)
    os.makedirs(run_folder)
    file_name = os.path.basename(genome_file)
    os.symlink(os.path.abspath(genome_file), os.path.join(run_folder, file_name))
    command = [varno, "--tsv", "--regulon", "--proteins", "proteins.faa"] + arguments
    if genes:
        command += ["--genes", os.path.abspath(genes)]
    command += [file_name, os.path.abspath(factors), os.path.abspath(options)]
    start = time.monotonic()
    run = subprocess.run(command, cwd=run_folder, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=environment)
    seconds = time.monotonic() - start
    if run.returncode != 0:
        log.write(run.stdout.decode("latin-1"))
        error_log = os.path.join(run_folder, "VarnoLog.txt")
        if os.path.exists(error_log):
            with open(error_log, encoding="latin-1") as error:
                return error.read().strip(), seconds
        return f"varno exited with status {run.returncode} and no VarnoLog.txt", seconds
    stem = stem_of(file_name)
    made = {"hits.tsv": stem + "_motifs.tsv", "regulon.tsv": stem + "_motifs_regulon.tsv"}
    for name in list(made.values()) + ["proteins.faa"]:
        if not os.path.exists(os.path.join(run_folder, name)):
            return f"no {name} from varno in {run_folder}", seconds
    tables = os.path.join(output, "genomes", genome)
    os.makedirs(tables, exist_ok=True)
    proteins = os.path.join(tables, "proteins.faa")
    if not (os.path.exists(proteins) and filecmp.cmp(proteins, os.path.join(run_folder, "proteins.faa"), False)):
        made["proteins.faa"] = "proteins.faa"
    # Renames within one file system: a table is there whole or not at all.
    # The regulon table goes last, so that a complete set is never older than
    # its hit table.
    for name in ("proteins.faa", "hits.tsv", "regulon.tsv"):
        if name in made:
            os.replace(os.path.join(run_folder, made[name]), os.path.join(tables, name))
    if not keep_run:
        shutil.rmtree(run_folder)
    return None, seconds


def one_line(text):
    return " ".join(text.split())


def scan_batch(genomes, factors, options, arguments, varno, output, status_file, log_file, threads):
    # varno scores a long sequence's two strands on two threads unless told
    # to keep to the cores its job was given.
    environment = dict(os.environ, VARNO_THREADS=str(threads))
    varno = os.path.abspath(varno)
    # The rest of a successful run (each factor's results file, and the
    # diagnostic logs when asked for) stays in runs/GENOME only then.
    keep_run = "--logs" in arguments
    statuses = []
    with open(log_file, "w", encoding="latin-1") as log:
        for genome, genome_file, genes in genomes:
            message, seconds = scan_genome(
                genome, genome_file, genes, factors, options, arguments, varno, output, environment, log, keep_run
            )
            # The time is varno's own, from start to exit.
            if message is None:
                log.write(f"scanned {genome}: varno {seconds:.4f} s\n")
            else:
                log.write(f"FAILED {genome}: varno {seconds:.4f} s: {one_line(message)}\n")
            log.flush()
            statuses.append((genome.replace("\t", " "), "" if message is None else one_line(message)))
    with open(status_file, "w", encoding="latin-1") as out:
        out.write("Genome\tMessage\n")
        for status in statuses:
            out.write("\t".join(status) + "\n")


scan_batch(
    snakemake.params.genomes,
    snakemake.params.factors,
    snakemake.params.options,
    snakemake.params.arguments,
    snakemake.input.varno,
    snakemake.params.output,
    snakemake.output[0],
    snakemake.log[0],
    snakemake.threads,
)
