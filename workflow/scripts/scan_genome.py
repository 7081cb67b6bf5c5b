# Runs varno on one genome inside the genome's own folder, so that the files a
# run writes beside its sequence file and its VarnoLog.txt never meet another
# run's, and copies the results file to the fixed name the workflow expects.
# Called by the Snakefile's scan rule, which provides the `snakemake` object.

import os
import shutil
import subprocess
import sys

# The CSV logs a run may write beside its sequence file; the one other CSV is
# the results file, whose name holds the method and threshold.
LOG_CSV_SUFFIXES = ("_freq_table.csv", "__motif_score_log.csv", "_gene_log.csv")


def scan_genome(genome, stem, sites, options, varno, run_folder, results, console_log, threads):
    # A fresh folder, so that the one results CSV in it and any VarnoLog.txt
    # are this run's.
    shutil.rmtree(run_folder, ignore_errors=True)
    os.makedirs(run_folder)
    genome_file = os.path.basename(genome)
    os.symlink(os.path.abspath(genome), os.path.join(run_folder, genome_file))
    command = [os.path.abspath(varno), genome_file, os.path.abspath(sites), os.path.abspath(options)]
    with open(console_log, "w") as console:
        # varno scores a long sequence's two strands on two threads unless told
        # to keep to the cores its job was given.
        environment = dict(os.environ, VARNO_THREADS=str(threads))
        status = subprocess.call(command, cwd=run_folder, stdout=console, stderr=subprocess.STDOUT, env=environment)
    if status != 0:
        error_log = os.path.join(run_folder, "VarnoLog.txt")
        if os.path.exists(error_log):
            with open(error_log, encoding="latin-1") as error:
                message = error.read().rstrip("\n")
        else:
            message = f"(no VarnoLog.txt; see {console_log})"
        sys.exit(f"varno failed on {genome} (exit status {status}):\n{message}")

    logs = {stem + suffix for suffix in LOG_CSV_SUFFIXES}
    found = [
        name
        for name in os.listdir(run_folder)
        if name.startswith(stem + "_") and name.endswith(".csv") and name not in logs
    ]
    if len(found) != 1:
        sys.exit(f"Expected one results file from varno in {run_folder}, found {len(found)}.")
    shutil.copyfile(os.path.join(run_folder, found[0]), results)


scan_genome(
    snakemake.input.genome,
    snakemake.params.stem,
    snakemake.input.sites,
    snakemake.input.options,
    snakemake.input.varno,
    snakemake.params.run_folder,
    snakemake.output[0],
    snakemake.log[0],
    snakemake.threads,
)
