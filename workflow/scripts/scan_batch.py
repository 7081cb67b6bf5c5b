# Scans a batch of genome x factor pairs, one varno run after the other, each
# in its own folder, so that the files a run writes beside its sequence file
# and its VarnoLog.txt never meet another run's. Each pair's results file is
# copied to results/FACTOR/GENOME.csv once complete, after its hit table (the
# same hits with the genes' and sequences' whole texts, which the results file
# cuts at their first line) to GENOME.tsv; a pair that fails leaves neither and
# its message goes to the log and to the batch's status file, and the batch
# goes on. Called by the Snakefile's scan_batch rule, which provides the
# `snakemake` object.

import os
import shutil
import subprocess
import time

# The CSV logs a run may write beside its sequence file; the one other CSV is
# the results file, whose name holds the method and threshold.
LOG_CSV_SUFFIXES = ("_freq_table.csv", "__motif_score_log.csv", "_gene_log.csv")
COMPRESSED_SUFFIXES = (".gz", ".GZ")


def stem_of(file_name):
    """The file name up to its last '.', as varno names its output files."""
    for suffix in COMPRESSED_SUFFIXES:
        if file_name.endswith(suffix):
            file_name = file_name[: -len(suffix)]
    return file_name.rpartition(".")[0]


def scan_pair(genome, factor, genome_file, genes, sites, options, topology, varno, output, environment, log):
    """Scans one pair; returns the failure's message (None on success) and varno's wall time."""
    run_folder = os.path.join(output, "runs", factor, genome)
    # A fresh folder, so that the one results CSV in it and any VarnoLog.txt are this run's.
    shutil.rmtree(run_folder, ignore_errors=True)
    os.makedirs(run_folder)
    file_name = os.path.basename(genome_file)
    os.symlink(os.path.abspath(genome_file), os.path.join(run_folder, file_name))
    command = [varno, "--tsv", "--topology", topology]
    if genes:
        command += ["--genes", os.path.abspath(genes)]
    command += [file_name, os.path.abspath(sites), os.path.abspath(options)]
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
    logs = {stem + suffix for suffix in LOG_CSV_SUFFIXES}
    found = [
        name
        for name in os.listdir(run_folder)
        if name.startswith(stem + "_") and name.endswith(".csv") and name not in logs
    ]
    if len(found) != 1:
        return f"expected one results file from varno in {run_folder}, found {len(found)}", seconds
    table = found[0][: -len(".csv")] + ".tsv"
    if not os.path.exists(os.path.join(run_folder, table)):
        return f"no hit table {table} from varno in {run_folder}", seconds
    results = os.path.join(output, "results", factor, genome + ".csv")
    os.makedirs(os.path.dirname(results), exist_ok=True)
    # Through temporary names: an interrupted copy must not pass for results.
    # The table goes first, so that a results file newer than its inputs
    # always has its table beside it.
    for source, target in ((table, results[: -len(".csv")] + ".tsv"), (found[0], results)):
        shutil.copyfile(os.path.join(run_folder, source), target + ".part")
        os.replace(target + ".part", target)
    return None, seconds


def one_line(text):
    return " ".join(text.split())


def scan_batch(pairs, varno, output, topology, status_file, log_file, threads):
    # varno scores a long sequence's two strands on two threads unless told
    # to keep to the cores its job was given.
    environment = dict(os.environ, VARNO_THREADS=str(threads))
    varno = os.path.abspath(varno)
    statuses = []
    with open(log_file, "w", encoding="latin-1") as log:
        for genome, factor, genome_file, genes, sites, options in pairs:
            message, seconds = scan_pair(
                genome, factor, genome_file, genes, sites, options, topology, varno, output, environment, log
            )
            # The time is varno's own, from start to exit.
            if message is None:
                log.write(f"scanned {genome} for {factor}: varno {seconds:.4f} s\n")
            else:
                log.write(f"FAILED {genome} for {factor}: varno {seconds:.4f} s: {one_line(message)}\n")
            log.flush()
            statuses.append((genome.replace("\t", " "), factor, "" if message is None else one_line(message)))
    with open(status_file, "w", encoding="latin-1") as out:
        out.write("Genome\tFactor\tMessage\n")
        for status in statuses:
            out.write("\t".join(status) + "\n")


scan_batch(
    snakemake.params.pairs,
    snakemake.input.varno,
    snakemake.params.output,
    snakemake.params.topology,
    snakemake.output[0],
    snakemake.log[0],
    snakemake.threads,
)
