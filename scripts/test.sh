#!/usr/bin/env bash
# Checks that the folders include each other only as scripts/check-dependencies.sh allows;
# builds Velmo Movie Player if needed and runs its test suite with CTest; builds the Debian
# package and checks it with lintian; then the unit and widget tests again, built with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ (beside the main suite); then
# each fuzzer for 30 seconds.
# Extra arguments go to both ctest runs, e.g. scripts/test.sh -R playlist -V
# The script fails when any of them fails, and ends with the time each stage took.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

status=0
stages=()
stage_started=$SECONDS

# Ends the stage begun last, named by the argument, with the result of its command.
finish_stage() {
    local name=$1 result=$2
    stages+=("$(printf '%-28s %5d s%s' "$name" $((SECONDS - stage_started)) \
        "$( ((result == 0)) || echo '   FAILED')")")
    ((result == 0)) || status=1
    stage_started=$SECONDS
}

report() {
    echo
    echo "test.sh: stage times"
    printf '  %s\n' "${stages[@]}"
    printf '  %-28s %5d s\n' total "$SECONDS"
}
trap report EXIT

result=0
./scripts/check-dependencies.sh || result=$?
finish_stage "dependency check" "$result"

result=0
./scripts/setup.sh || result=$?
finish_stage "setup and main build" "$result"

# -O1 as AddressSanitizer advises, and line tables only: a third faster to build than -O2 -g,
# and the reports still name files and lines.
if [[ ! -f build-asan/CMakeCache.txt ]]; then
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DVELMO_SANITIZE=ON \
        -DVELMO_SYSTEM_TESTS=OFF -DVELMO_TEST_MOVIES="$PWD/build/test-movies" >/dev/null
fi
# The sanitizer build runs beside the main suite at the lowest priority: the suite's cases spend
# a third of their time waiting on players, X servers and real-time playback, and the build
# takes only what they leave.
nice -n 19 cmake --build build-asan -j"$(nproc)" >build-asan/build.log 2>&1 &
asan_build=$!

# Two cases per core, as in the sanitizer suite: with one, the cores were idle half of the time
# (the cases wait on players, X servers and playback in real time).
result=0
ctest --test-dir build --output-on-failure -j"$((2 * $(nproc)))" "$@" || result=$?
finish_stage "main suite" "$result"

# The package as it would be installed: lintian's errors fail the run, its warnings are listed.
result=0
rm -f build/velmomp_*.deb
if cmake --build build --target package >/dev/null; then
    lintian --fail-on error --tag-display-limit 0 build/velmomp_*.deb || result=$?
else
    result=1
fi
finish_stage "package and lintian" "$result"

result=0
wait "$asan_build" || result=$?
# Its output in full where it failed; otherwise its last line.
if ((result == 0)); then tail -n 1 build-asan/build.log; else cat build-asan/build.log; fi
finish_stage "sanitizer build (the rest)" "$result"

if ((result == 0)); then
    # Two cases per core: most wait on a player or a decoder part of the time.
    LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0 \
        UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build-asan --output-on-failure -j"$((2 * $(nproc)))" "$@" || result=$?
    finish_stage "sanitizer suite" "$result"
fi

result=0
./scripts/fuzz.sh 30 || result=$?
finish_stage "fuzzers (build and runs)" "$result"

exit "$status"
