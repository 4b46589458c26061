#!/usr/bin/env bash
# Builds the fuzzers of fuzz/ in build-fuzz/ (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given number of seconds, 300 by default, with
# one worker per core:
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

# One worker per core. Each keeps what it finds in a folder of its own and starts from the seeds
# and from what every worker found before: reading in each other's finds as they come slowed
# each worker by a fifth.
workers=$(nproc)

mkdir -p "$build/crashes"
status=0
for name in settings handoff movie; do
    corpus=$build/corpus/$name
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
        -artifact_prefix="$build/crashes/$name-")
    if [[ -f fuzz/$name.dict ]]; then
        options+=(-dict="fuzz/$name.dict")
    fi
    # Fresh allocations are left unfilled: filling touches fresh pages of the demuxers' large
    # buffers, which made the movie fuzzer 1.6 times slower. A run frees far less than 16 MB,
    # so a quarantine of that size still catches a use after free within it and the next few;
    # the default 256 MB kept asking the system for fresh pages (1.3 times slower).
    asan=max_malloc_fill_size=0:quarantine_size_mb=16
    if [[ $name == movie ]]; then
        # Movies up to 1 MiB, read in well under a second, with bounded memory.
        options+=(-max_len=1048576 -timeout=3 -malloc_limit_mb=1024)
        # A few bytes of header can claim hundreds of thousands of samples, and such an input takes
        # a hundred times as long as most: inputs are chosen for mutation less often the longer
        # they take (1.3 to 1.8 times the inputs a second, and as much coverage).
        options+=(-entropic_scale_per_exec_time=1)
        # A hostile header makes the readers ask for blocks of up to 256 MiB, and the sanitizer
        # writes a shadow byte for every 8 bytes of each, at allocation and at free. Shadow on
        # huge pages faults 2 MiB at a time instead of 4 KiB: 1.4 times the inputs a second.
        asan+=:no_huge_pages_for_shadow=0
    fi
    if [[ $name == settings ]]; then
        # Every read goes through the whole file: files three times the size of the player's
        # own (about 300 bytes) reach every rule, and the runs stay many.
        options+=(-max_len=1024)
    fi
    echo "fuzz: running ${name}_fuzzer for $seconds s on $workers workers (logs: $build/$name-*.log)"
    pids=()
    for ((worker = 0; worker < workers; ++worker)); do
        mkdir -p "$corpus/$worker"
        # New finds go to the first folder; the others (read through their subfolders) are only
        # read at the start.
        ASAN_OPTIONS=${ASAN_OPTIONS:-$asan} "$build/fuzz/${name}_fuzzer" "${options[@]}" \
            -seed=$((worker + 1)) "$corpus/$worker" "$corpus" "fuzz/corpus/$name" \
            >"$build/$name-$worker.log" 2>&1 &
        pids+=($!)
    done
    failed=()
    for ((worker = 0; worker < workers; ++worker)); do
        wait "${pids[worker]}" || failed+=("$worker")
    done
    if ((${#failed[@]} == 0)); then
        total=0
        for ((worker = 0; worker < workers; ++worker)); do
            log=$build/$name-$worker.log
            executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
            total=$((total + executions))
            echo "fuzz:   worker $worker: $executions inputs; $(grep -m1 'DONE' "$log")"
        done
        echo "fuzz: ${name}_fuzzer: $total inputs run, no crash"
    else
        for worker in "${failed[@]}"; do
            echo "fuzz: ${name}_fuzzer FAILED; the end of $build/$name-$worker.log:" >&2
            tail -n 60 "$build/$name-$worker.log" >&2
        done
        status=1
    fi
done
exit "$status"
