#!/usr/bin/env python3
"""Runs one command and prints its wall seconds, peak resident memory (MiB) and exit status.

Usage: measure.py [--output FILE] COMMAND [ARGUMENT...]
The command's standard output goes to FILE when given, and is discarded otherwise.
"""
import resource
import subprocess
import sys
import time

arguments = sys.argv[1:]
output = subprocess.DEVNULL
if arguments[:1] == ["--output"]:
    output = open(arguments[1], "wb")
    arguments = arguments[2:]

start = time.perf_counter()
completed = subprocess.run(arguments, stdout=output, stderr=subprocess.DEVNULL)
wall = time.perf_counter() - start
peak_kib = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"{wall:.3f} {peak_kib / 1024:.1f} {completed.returncode}")
