#!/usr/bin/env bash
# Builds Velmo Movie Player if needed and runs its test suite with CTest.
# Extra arguments go to ctest, e.g. scripts/test.sh -R playlist -V
# The script exits with ctest's status.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

./scripts/setup.sh

status=0
ctest --test-dir build --output-on-failure -j2 "$@" || status=$?
exit "$status"
