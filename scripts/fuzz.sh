#!/usr/bin/env bash
# Builds the fuzzers of fuzz/ in build-fuzz/ (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given number of seconds, 300 by default:
#   scripts/fuzz.sh [seconds]
# Each one starts from its seeds in fuzz/corpus/<name>/ together with what earlier runs found,
# kept in build-fuzz/corpus/<name>/, so the repository is never written to. The script fails when
# a fuzzer crashes; the input that did it is left in build-fuzz/crashes/.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${1:-300}
if [[ ! $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [seconds]" >&2
    exit 2
fi

./scripts/setup.sh --packages-only

build=build-fuzz
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DVELMO_FUZZERS=ON
fi
cmake --build "$build" -j"$(nproc)"

# Whatever a fuzzer writes to the temporary folder costs nothing on tmpfs.
if [[ -d /dev/shm && -w /dev/shm ]]; then
    scratch=$(mktemp -d /dev/shm/velmo-fuzz.XXXXXX)
else
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/velmo-fuzz.XXXXXX")
fi
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

mkdir -p "$build/crashes"
status=0
for name in settings handoff movie; do
    corpus=$build/corpus/$name
    log=$build/$name.log
    mkdir -p "$corpus"
    cp fuzz/corpus/"$name"/* "$corpus"/
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
        -artifact_prefix="$build/crashes/$name-")
    if [[ -f fuzz/$name.dict ]]; then
        options+=(-dict="fuzz/$name.dict")
    fi
    # Fresh allocations are left unfilled: filling touches fresh pages of the demuxers' large
    # buffers, which made the movie fuzzer 1.6 times slower. The small inputs of the other two
    # free far less than 8 MB per run, so a quarantine of that size still catches a use after
    # free; the default 256 MB kept asking the system for fresh pages (1.3 times slower).
    asan=max_malloc_fill_size=0
    if [[ $name == movie ]]; then
        # Movies up to 1 MiB, read in well under a second, with bounded memory.
        options+=(-max_len=1048576 -timeout=3 -malloc_limit_mb=1024)
    else
        asan+=:quarantine_size_mb=8
    fi
    if [[ $name == settings ]]; then
        # Every read goes through the whole file: files three times the size of the player's
        # own (about 300 bytes) reach every rule, and the runs stay many.
        options+=(-max_len=1024)
    fi
    echo "fuzz: running ${name}_fuzzer for $seconds s (log: $log)"
    if ASAN_OPTIONS=${ASAN_OPTIONS:-$asan} "$build/fuzz/${name}_fuzzer" "${options[@]}" "$corpus" \
        >"$log" 2>&1; then
        executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz: ${name}_fuzzer: $executions inputs run, no crash; $(grep -m1 'DONE' "$log")"
    else
        echo "fuzz: ${name}_fuzzer FAILED; the end of $log:" >&2
        tail -n 60 "$log" >&2
        status=1
    fi
done
exit "$status"
