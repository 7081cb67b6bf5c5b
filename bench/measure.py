#!/usr/bin/env python3
"""Runs one command and prints its wall seconds and peak resident memory (MiB)."""
import resource
import subprocess
import sys
import time

start = time.perf_counter()
completed = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
wall = time.perf_counter() - start
peak_kib = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"{wall:.3f} {peak_kib / 1024:.1f} {completed.returncode}")
