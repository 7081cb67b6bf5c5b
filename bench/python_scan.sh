#!/usr/bin/env bash
# The Python module's scan against the program's whole run, on the example
# GenBank genome with LexA's sites, method 5, threshold 0.8: the program with
# --tsv and --no-logs (a process started, the genome read, scanned, the p, E
# and q values worked out, the table written), the module's varno.scan()
# after import (the genome read, scanned, the same figures, the DataFrame
# built). Best of 10 each, in milliseconds, and their ratio; both with the
# second thread the program takes on a machine of two cores or more, and
# both kept to one (VARNO_THREADS=1, threads=1, the module's default).
#
# Usage: bench/python_scan.sh [BUILD_FOLDER]   (default build-python; built
# here with the module, configured for /usr/bin/python3)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build-python}
python=/usr/bin/python3
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVARNO_PYTHON=ON \
    -DPython3_EXECUTABLE="$python" > /dev/null
cmake --build "$build" -j2 --target varno _varno > /dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/ecoli_k12.gbk examples/lexa_sites.txt "$work"
cd "$work"
PYTHONPATH="$root/$build/python" "$python" - "$root/$build/varno" <<'PY'
import os
import subprocess
import sys
import time

import varno

program = sys.argv[1]
motif = varno.Motif.from_sites("lexa_sites.txt")


def best(run, rounds=10):
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return 1000 * min(times)


def whole_run(environment):
    command = [program, "--tsv", "--no-logs", "--method", "5", "--threshold", "0.8", "ecoli_k12.gbk",
               "lexa_sites.txt"]
    return lambda: subprocess.run(command, check=True, stdout=subprocess.DEVNULL, env=environment)


for label, threads, environment in (("two threads", 2, dict(os.environ)),
                                    ("one thread", 1, dict(os.environ, VARNO_THREADS="1"))):
    ours = best(lambda: varno.scan("ecoli_k12.gbk", motif, method=5, threshold=0.8, threads=threads))
    theirs = best(whole_run(environment))
    print(f"{label}: varno.scan() {ours:.1f} ms, the program with --tsv {theirs:.1f} ms, "
          f"ratio {ours / theirs:.2f} (at most 1.2)")
PY
