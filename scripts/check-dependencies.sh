#!/usr/bin/env bash
# Checks that the player's folders depend on each other only as the table below allows: fails,
# naming the file and the include, when a file includes a header of a folder its own folder must
# not depend on, or a settings dialog header outside settings/ and the composition root.
#   scripts/check-dependencies.sh [source-root]
# The tests, benchmarks and fuzzers build the windows themselves and are not checked.
set -euo pipefail

root=${1:-"$(dirname "${BASH_SOURCE[0]}")/.."}
cd "$root"

# Each folder with the folders it may include besides itself. "." is main.cpp, the composition
# root. The main window's handlers live in the folder of the subsystem they belong to, so
# display/, playlist/ and media/ include the main window's header; settings/ never does.
declare -A allowed=(
    [text]=""
    [ui]=""
    [settings]="text ui"
    [media]="app text ui"
    [display]="app media settings text ui"
    [playlist]="app media settings text ui"
    [app]="display media settings text ui"
    [.]="app settings text ui"
)
# Headers that only their own folder and the composition root may include: the rest of the
# player reads the live settings through settings/livesettings.h.
dialog_headers=(settings/tform2.h settings/tform3.h)
# Folders that are not part of the player.
unchecked=(bench build fuzz scripts tests)

status=0
fail() {
    echo "check-dependencies: $1" >&2
    status=1
}

shopt -s nullglob
for dir in */; do
    dir=${dir%/}
    if [[ -z ${allowed[$dir]+set} && ! " ${unchecked[*]} " =~ " $dir " && $dir != build* ]]; then
        for source in "$dir"/*.h "$dir"/*.cpp; do
            fail "$dir/ holds C++ sources but has no row in the table of scripts/check-dependencies.sh"
            break
        done
    fi
done

# One grep over every file: a process per file made the check take a second.
files=()
for folder in "${!allowed[@]}"; do
    for file in "$folder"/*.h "$folder"/*.cpp; do
        files+=("${file#./}")
    done
done
while IFS= read -r line; do
    file=${line%%:*}
    header=${line#*\"}
    header=${header%%\"*}
    folder=.
    [[ $file == */* ]] && folder=${file%%/*}
    target=${header%%/*}
    [[ $target == "$header" || $target == "$folder" ]] && continue
    if [[ ! " ${allowed[$folder]} " =~ " $target " ]]; then
        fail "$file includes \"$header\": $folder/ must not depend on $target/"
    elif [[ $folder != . && " ${dialog_headers[*]} " =~ " $header " ]]; then
        fail "$file includes \"$header\": outside settings/ read settings/livesettings.h"
    fi
done < <(grep -H -o '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*"' "${files[@]}")

if ((status == 0)); then
    echo "check-dependencies: every include follows the table"
fi
exit "$status"
