#!/usr/bin/env bash
# The benchmark: builds varno in Release (into build-bench/) and times whole
# runs (logs on) on real and generated genomes, against the speed limit of a
# window scan and against a peer, Biopython's PSSM search.
#
# Usage: bench/run.sh            (from anywhere; takes a few minutes)
#
# Columns: wall seconds of the whole run, milliseconds per Mb of sequence,
# peak resident memory, peak memory over the sequence file's size, hits kept;
# each with integration off/on.
# The generated 100 Mb multi-FASTA (fixed seed) lives in a temporary folder
# that is removed at the end. The peer is skipped when Biopython is missing
# (Debian package python3-biopython). The one thing this script installs, when
# it is missing, is libhwy-dev (Google Highway), which the vector limit loop
# is built with.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

methods=(1 2 5 9 11)
sites=examples/lexa_sites.txt
window_length=$(head -n 1 "$sites" | tr -d '\r\n' | wc -c)
# A literal cut-off that keeps about one window in ten of the E. coli genome
# with method 5.
literal_cutoff=-4

echo "Building (Release, build-bench/)..."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build build-bench -j2 --target varno varno_phases > /dev/null
c++ -std=c++17 -O2 -ffp-contract=off -I . -o build-bench/limit_loop bench/limit_loop.cpp
dpkg -s libhwy-dev > /dev/null 2>&1 \
    || (apt-get update > /dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y libhwy-dev > /dev/null)
# No instruction set is fixed here: the loop picks the best one it finds at run time.
c++ -std=c++17 -O2 -ffp-contract=off -I . -o build-bench/simd_limit_loop bench/simd_limit_loop.cpp \
    $(pkg-config --cflags --libs libhwy)
c++ -std=c++17 -O2 -o build-bench/measure bench/measure.cpp

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "Generating the 100 Mb multi-FASTA (seed 20261207)..."
python3 bench/fasta_tools.py generate "$work/random_100Mb.fna" 100 20261207

labels=("E. coli K-12, GenBank" "E. coli K-12, FASTA" "152-contig draft" "100 Mb, 100 records")
files=("$root/examples/ecoli_k12.gbk" "$root/examples/ecoli_k12.fna" "$root/bench/data/abacas_454AllContigs.fna"
       "$work/random_100Mb.fna")
# Runs of the small inputs are repeated and the fastest counts.
repeats=(3 3 3 1)
# The limit loop reads FASTA: the GenBank genome is the same sequence as the FASTA one.
limit_files=("${files[1]}" "${files[1]}" "${files[2]}" "${files[3]}")

peer_python=""
for candidate in /usr/bin/python3 python3; do
    if command -v "$candidate" > /dev/null && "$candidate" -c "import Bio.motifs" 2> /dev/null; then
        peer_python=$candidate
        break
    fi
done

per_mb() { python3 -c "import sys; print(f'{float(sys.argv[1]) * 1000 / (int(sys.argv[2]) / 1e6):.1f}')" "$1" "$2"; }
less_than() { python3 -c "import sys; sys.exit(not float(sys.argv[1]) < float(sys.argv[2]))" "$1" "$2"; }
ratio() { python3 -c "import sys; print(f'{float(sys.argv[1]) / float(sys.argv[2]):.1f}')" "$1" "$2"; }

# Options given to every varno run besides the file names.
extra_arguments=()

# Runs varno on one input with one options file in a fresh folder, `repeats`
# times; prints "wall peak_MiB hits" with the shortest wall time, which is the
# least disturbed by whatever else the machine runs.
run_varno() {
    local sequence_file=$1 options_file=$2 repeats=${3:-1} folder name wall peak status hits best=""
    name=$(basename "$sequence_file")
    for ((turn = 0; turn < repeats; ++turn)); do
        folder=$(mktemp -d "$work/run.XXXX")
        ln -s "$sequence_file" "$folder/"
        cp "$root/$sites" "$options_file" "$folder/"
        read -r wall peak status < <(cd "$folder" && "$root/build-bench/measure" "$root/build-bench/varno" \
            "${extra_arguments[@]}" "$name" "$(basename "$sites")" "$(basename "$options_file")")
        hits=$(cat "$folder"/*.csv | grep '^Sites,' | cut -d, -f2 || true)
        [ "$status" = 0 ] || hits="exit $status"
        rm -rf "$folder"
        if [ -z "$best" ] || less_than "$wall" "$best"; then
            best=$wall
        fi
    done
    echo "$best $peak ${hits:-?}"
}

# Options from the example file: logs on, the given method, integration, and
# optionally a literal cut-off.
write_options() {
    local method=$1 integration=$2 cutoff=${3:-} target=$4
    sed -e "1s/\\\$.*/\$1/" -e "2s/\\\$.*/\$$method/" -e "10s/\\\$.*/\$$integration/" examples/Options.txt > "$target"
    if [ -n "$cutoff" ]; then
        sed -i -e "4s/\\\$.*/\$$cutoff/" -e "9s/\\\$.*/\$1/" "$target"
    fi
}

echo
echo "Machine: $(nproc) cores, $(grep -m 1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "Sites: $sites (window length $window_length); every run with logs on."
echo
printf '%-22s %6s %3s %13s %13s %13s %9s %15s\n' input Mb mth wall_s ms/Mb peak_MiB x_file hits
declare -A bases base_run
for index in "${!files[@]}"; do
    file=${files[$index]}
    bases[$index]=$(python3 bench/fasta_tools.py bases "$file")
    file_mib=$(python3 -c "import os, sys; print(os.path.getsize(sys.argv[1]) / 1048576)" "$file")
    megabases=$(python3 -c "import sys; print(f'{int(sys.argv[1]) / 1e6:.1f}')" "${bases[$index]}")
    for method in "${methods[@]}"; do
        walls=() rates=() peaks=() shares=() counts=()
        for integration in 0 1; do
            write_options "$method" "$integration" "" "$work/Options.txt"
            read -r wall peak hits < <(run_varno "$file" "$work/Options.txt" "${repeats[$index]}")
            [ "$method" = 5 ] && [ "$integration" = 0 ] && base_run[$index]=$wall
            walls+=("$wall") rates+=("$(per_mb "$wall" "${bases[$index]}")") peaks+=("$peak")
            shares+=("$(ratio "$peak" "$file_mib")") counts+=("$hits")
        done
        printf '%-22s %6s %3s %13s %13s %13s %9s %15s\n' "${labels[$index]}" "$megabases" "$method" \
            "${walls[0]}/${walls[1]}" "${rates[0]}/${rates[1]}" "${peaks[0]}/${peaks[1]}" \
            "${shares[0]}/${shares[1]}" "${counts[0]}/${counts[1]}"
    done
done
echo "(each cell: integration off/on; x_file: peak memory over the sequence file's size)"

# The same runs with logs off, method 5, integration off: the figures the
# speed targets are stated in, each the best of three times the repeats
# above, since a run of the small inputs moves by a quarter or more here
# from one to the next. The phases come from varno_phases, which times the
# library's own steps in the run's order (best of its repeats).
echo
echo "Logs off, method 5, integration off; windows scored with $(build-bench/varno_phases --path)"
printf '%-22s %8s %8s %9s | %8s %8s %8s %8s %12s\n' input wall_s ms/Mb peak_MiB read_ms scan_ms hits_ms \
    write_ms Mwin/s/core
write_options 5 0 "" "$work/Options.txt"
sed -i -e "1s/\\\$.*/\$0/" "$work/Options.txt"
declare -A scan_rate quiet_run
for index in "${!files[@]}"; do
    read -r wall peak _ < <(run_varno "${files[$index]}" "$work/Options.txt" "$((3 * repeats[index]))")
    quiet_run[$index]=$wall
    read -r read_ms scan_ms hits_ms write_ms _ rate < <(build-bench/varno_phases "${files[$index]}" "$sites" \
        "$work/Options.txt" "$((repeats[index] + 2))" | tail -n 1)
    scan_rate[$index]=$rate
    printf '%-22s %8s %8s %9s | %8s %8s %8s %8s %12s\n' "${labels[$index]}" "$wall" \
        "$(per_mb "$wall" "${bases[$index]}")" "$peak" "$read_ms" "$scan_ms" "$hits_ms" "$write_ms" "$rate"
done
echo "(wall: the whole run, best of several; phases: scan on two threads as in a run, Mwin/s/core: a scan on" \
    "one thread)"

echo
echo "Limit: a plain loop adding $window_length table entries per window, both strands, scan only (-O2);"
echo "SIMD limit: the same windows and sums, several windows per vector register" \
    "($(build-bench/simd_limit_loop --target), chosen at run time); both loops on one core"
printf '%-22s %8s %8s %8s %8s %12s %17s %12s %17s %18s\n' input scan_ms ms/Mb simd_ms ms/Mb varno/limit \
    varno/simd_limit Mwin/s/core simd_Mwin/s/core simd/varno_scan
# Mega-windows per second: two windows per base (both strands), one core.
window_rate() {
    python3 -c "import sys; print(f'{2 * int(sys.argv[2]) / (float(sys.argv[1]) / 1000) / 1e6:.0f}')" "$1" "$2"
}
for index in "${!files[@]}"; do
    milliseconds="" limit_per_mb="" simd_milliseconds="" simd_per_mb=""
    # The two loops take turns, so that both meet the machine in the same state.
    for ((turn = 0; turn < repeats[index]; ++turn)); do
        read -r _ scan_ms scan_per_mb limit_passing < <(build-bench/limit_loop "${limit_files[$index]}" \
            "$window_length")
        if [ -z "$milliseconds" ] || less_than "$scan_ms" "$milliseconds"; then
            milliseconds=$scan_ms limit_per_mb=$scan_per_mb
        fi
        read -r _ scan_ms scan_per_mb simd_passing < <(build-bench/simd_limit_loop "${limit_files[$index]}" \
            "$window_length")
        if [ -z "$simd_milliseconds" ] || less_than "$scan_ms" "$simd_milliseconds"; then
            simd_milliseconds=$scan_ms simd_per_mb=$scan_per_mb
        fi
    done
    project_per_mb=$(per_mb "${base_run[$index]}" "${bases[$index]}")
    simd_rate=$(window_rate "$simd_milliseconds" "${bases[$index]}")
    printf '%-22s %8s %8s %8s %8s %12s %17s %12s %17s %18s\n' "${labels[$index]}" "$milliseconds" "$limit_per_mb" \
        "$simd_milliseconds" "$simd_per_mb" "$(ratio "$project_per_mb" "$limit_per_mb")" \
        "$(ratio "$project_per_mb" "$simd_per_mb")" "$(window_rate "$milliseconds" "${bases[$index]}")" \
        "$simd_rate" "$(ratio "$simd_rate" "${scan_rate[$index]}")"
    [ "$limit_passing" = "$simd_passing" ] ||
        echo "  the loops disagree: $limit_passing against $simd_passing windows passing"
done
echo "(varno/limit, varno/simd_limit: varno's whole run, method 5, integration off, reading and writing included," \
    "per Mb, against each loop; Mwin/s/core: millions of windows, two per base, scored per second on one core;" \
    "simd/varno_scan: the SIMD limit's windows per second per core over varno's scan's, logs off.)"

echo
if [ -z "$peer_python" ]; then
    echo "Peer skipped: Biopython not found (Debian package python3-biopython)."
else
    echo "Peer: Biopython PSSM search, pseudocount 0.25, uniform background, both strands (whole run)"
    printf '%-22s %8s %8s %9s %8s %11s %18s\n' input wall_s ms/Mb peak_MiB hits peer/varno peer/varno_logs_off
    for index in "${!files[@]}"; do
        read -r wall peak status < <(build-bench/measure --output "$work/peer_hits" "$peer_python" \
            bench/peer_biopython.py "${files[$index]}" "$sites")
        hits=$(cat "$work/peer_hits")
        [ "$status" = 0 ] || hits="exit $status"
        printf '%-22s %8s %8s %9s %8s %11s %18s\n' "${labels[$index]}" "$wall" "$(per_mb "$wall" "${bases[$index]}")" \
            "$peak" "$hits" "$(ratio "$wall" "${base_run[$index]}")" "$(ratio "$wall" "${quiet_run[$index]}")"
    done
    echo "(peer/varno: against varno's whole run, method 5, integration off; logs on, then off.)"
fi

echo
# The literal run and the default run it is compared with are measured in
# turn, so that both meet the machine in the same state (its speed drifts
# over minutes), after an untimed run of each; the best of five of each counts.
write_options 5 0 "" "$work/Default.txt"
write_options 5 0 "$literal_cutoff" "$work/Literal.txt"
run_varno "${files[0]}" "$work/Default.txt" > /dev/null
run_varno "${files[0]}" "$work/Literal.txt" > /dev/null
default_wall="" literal_wall=""
for ((turn = 0; turn < 5; ++turn)); do
    read -r wall _ _ < <(run_varno "${files[0]}" "$work/Default.txt")
    if [ -z "$default_wall" ] || less_than "$wall" "$default_wall"; then
        default_wall=$wall
    fi
    read -r wall peak hits < <(run_varno "${files[0]}" "$work/Literal.txt")
    if [ -z "$literal_wall" ] || less_than "$wall" "$literal_wall"; then
        literal_wall=$wall
    fi
done
echo "Literal cut-off $literal_cutoff (about 1 window in 10 passes), E. coli GenBank, method 5:" \
    "$literal_wall s, $peak MiB, $hits hits, $(ratio "$literal_wall" "$default_wall") x the default run" \
    "($default_wall s, measured in turn with it)"
# The cost of a run grows with its hits in a straight line: each hit is
# merged, sorted, placed against its gene and written once.
echo "Growth with the hits kept (E. coli GenBank, method 5, literal cut-offs; against that default run):"
printf '%8s %9s %8s %14s\n' cut-off hits wall_s us/extra_hit
for cutoff in 4 0 "$literal_cutoff"; do
    write_options 5 0 "$cutoff" "$work/Options.txt"
    read -r wall peak hits < <(run_varno "${files[0]}" "$work/Options.txt" "${repeats[0]}")
    printf '%8s %9s %8s %14s\n' "$cutoff" "$hits" "$wall" \
        "$(python3 -c "import sys; print(f'{(float(sys.argv[1]) - float(sys.argv[2])) * 1e6 / max(1, int(sys.argv[3])):.2f}')" \
            "$wall" "$default_wall" "$hits")"
done

echo
# The same genome gzip-compressed against the plain file, measured in turn
# like the literal run, with the decompression alone beside them.
gzip -c "${files[0]}" > "$work/ecoli_k12.gbk.gz"
run_varno "$work/ecoli_k12.gbk.gz" "$work/Default.txt" > /dev/null
plain_wall="" packed_wall="" inflate_wall=""
least() { if [ -z "$1" ] || less_than "$2" "$1"; then echo "$2"; else echo "$1"; fi; }
for ((turn = 0; turn < 5; ++turn)); do
    read -r wall _ _ < <(run_varno "${files[0]}" "$work/Default.txt")
    plain_wall=$(least "$plain_wall" "$wall")
    read -r wall packed_peak _ < <(run_varno "$work/ecoli_k12.gbk.gz" "$work/Default.txt")
    packed_wall=$(least "$packed_wall" "$wall")
    read -r wall _ _ < <(build-bench/measure gzip -dc "$work/ecoli_k12.gbk.gz")
    inflate_wall=$(least "$inflate_wall" "$wall")
done
echo "Compressed input, E. coli GenBank, method 5: .gbk.gz $packed_wall s, $packed_peak MiB, against the plain" \
    "file's $plain_wall s (+$(python3 -c "import sys; print(f'{float(sys.argv[1]) - float(sys.argv[2]):.3f}')" \
    "$packed_wall" "$plain_wall") s); decompressing alone (gzip -dc): $inflate_wall s"

# The three hit files with their p, E and q values against the plain run,
# measured in turn in the same way.
plain_wall="" tracks_wall=""
for ((turn = 0; turn < 5; ++turn)); do
    read -r wall _ _ < <(run_varno "${files[0]}" "$work/Default.txt")
    plain_wall=$(least "$plain_wall" "$wall")
    extra_arguments=(--tsv --bed --gff3)
    read -r wall tracks_peak _ < <(run_varno "${files[0]}" "$work/Default.txt")
    extra_arguments=()
    tracks_wall=$(least "$tracks_wall" "$wall")
done
echo "Hit files (--tsv --bed --gff3, p, E and q values), E. coli GenBank, method 5: $tracks_wall s, $tracks_peak MiB," \
    "$(python3 -c "import sys; print(f'{float(sys.argv[1]) / float(sys.argv[2]):.2f}')" "$tracks_wall" "$plain_wall")" \
    "x the plain run's $plain_wall s"
