#!/usr/bin/env bash
# The dependency check passes on the player's sources as they are, and fails on a copy given one
# forbidden include, with a message naming the file and the include.
# Usage: checkdependencies_test.sh CHECK_SCRIPT SOURCE_ROOT
set -euo pipefail
check=$1 root=$2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

status=0
"$check" "$root" >/dev/null || status=1

# A file of the player, and a header it must not include.
forbidden=(
    "settings/tform2.cpp app/tform1.h"
    "settings/tform3.cpp display/modeinventory.h"
    "display/tform1_display.cpp settings/tform2.h"
    "app/tform1.cpp settings/tform3.h"
    "text/pathparts.cpp ui/messages.h"
    "ui/messages.cpp settings/livesettings.h"
)
for case in "${forbidden[@]}"; do
    read -r file header <<<"$case"
    tree=$scratch/tree
    rm -rf "$tree"
    mkdir "$tree"
    (cd "$root" && cp -r --parents app display media playlist settings text ui main.cpp "$tree")
    echo "#include \"$header\"" >>"$tree/$file"
    if output=$("$check" "$tree" 2>&1); then
        echo "the check passed with $file including $header" >&2
        status=1
    elif [[ $output != *"$file includes \"$header\""* ]]; then
        echo "the check did not name $file and $header: $output" >&2
        status=1
    fi
done
exit "$status"
