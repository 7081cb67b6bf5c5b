#!/usr/bin/env bash
# The memory of a run on one sequence line of 100 MB: method 1, a one-letter
# site and a literal cut-off of 100, which no window reaches, so the run does
# little but read, extend, reverse and walk the text, and its peak is what the
# text costs. It should stay within a few times the line (the limit below:
# 8 bytes a letter).
#
# Usage: bench/single_line.sh [VARNO]   (default: build-bench/varno, as bench/run.sh builds it)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
varno=$(realpath "${1:-build-bench/varno}")
mkdir -p build-bench
c++ -std=c++17 -O2 -o build-bench/measure bench/measure.cpp

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
letters=100000000
python3 - "$work/big.fas" "$letters" <<'PYTHON'
import sys
with open(sys.argv[1], "wb") as out:
    out.write(b">one line\n")
    chunk = b"A" * 1000000
    for _ in range(int(sys.argv[2]) // len(chunk)):
        out.write(chunk)
    out.write(b"\n")
PYTHON
printf 'A\nC\n' > "$work/site.txt"
read -r wall peak status < <(cd "$work" && "$root/build-bench/measure" "$varno" --no-logs --method 1 --cutoff 100 \
    big.fas site.txt)
[ "$status" = 0 ] || { echo "varno failed (exit $status)"; exit 1; }
hits=$(grep '^Sites,' "$work/big_Ri_100.000.csv" | cut -d, -f2)
limit=$(python3 -c "import sys; print(8 * int(sys.argv[1]) / 1048576)" "$letters")
echo "One 100 MB line, method 1, literal cut-off 100: $wall s, $peak MiB ($(python3 -c \
    "import sys; print(f'{float(sys.argv[1]) * 1048576 / int(sys.argv[2]):.2f}')" "$peak" "$letters") bytes a letter)," \
    "$hits hits; limit $limit MiB"
python3 -c "import sys; sys.exit(not (float(sys.argv[1]) < float(sys.argv[2]) and sys.argv[3] == '0'))" \
    "$peak" "$limit" "$hits"
