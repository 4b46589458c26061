#!/usr/bin/env bash
# Builds Velmo Movie Player if needed and starts it.
#
#   scripts/run.sh [movie ...]
#
# Without a movie it opens the generated sample build/sample.avi. Without a
# graphical session ($DISPLAY and $WAYLAND_DISPLAY both empty) the player
# runs inside a private Xvfb server, so nothing is visible.
# The script exits with the player's exit code.
set -euo pipefail

# Movie names are taken relative to the caller's folder, so make them
# absolute before moving to the repository root.
movies=()
for arg in "$@"; do
    if [[ "$arg" == /* ]]; then
        movies+=("$arg")
    else
        while [[ "$arg" == ./* ]]; do
            arg="${arg#./}"
        done
        movies+=("$PWD/$arg")
    fi
done

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$PWD"

"$root/scripts/setup.sh"

if ((${#movies[@]} == 0)); then
    if [[ ! -f build/sample.avi ]]; then
        cmake --build build --target sample_movie
    fi
    movies=("$root/build/sample.avi")
fi

player="$root/build/velmomp"
if [[ ! -x "$player" ]]; then
    echo "run: error: $player was not built" >&2
    exit 1
fi

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$player" "${movies[@]}"
fi

# No graphical session: start a private Xvfb on a free display. Xvfb writes
# the display number it picked to the -displayfd descriptor once it accepts
# connections.
xvfb_pid=""
player_pid=""
xvfb_dir="$(mktemp -d "${TMPDIR:-/tmp}/velmomp-xvfb.XXXXXX")"
# shellcheck disable=SC2317  # called from the EXIT trap
cleanup() {
    if [[ -n "$player_pid" ]] && kill -0 "$player_pid" 2>/dev/null; then
        kill "$player_pid" 2>/dev/null || true
        wait "$player_pid" 2>/dev/null || true
    fi
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$xvfb_dir"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

exec {display_fd}>"$xvfb_dir/display"
Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp \
    >"$xvfb_dir/log" 2>&1 &
xvfb_pid=$!
exec {display_fd}>&-

display_number=""
for _ in $(seq 1 200); do
    if grep -qx '[0-9][0-9]*' "$xvfb_dir/display" 2>/dev/null; then
        display_number="$(head -n 1 "$xvfb_dir/display")"
        break
    fi
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        break
    fi
    sleep 0.05
done
if [[ -z "$display_number" ]]; then
    echo "run: error: Xvfb did not start; its output:" >&2
    cat "$xvfb_dir/log" >&2 || true
    exit 1
fi

export DISPLAY=":$display_number"
echo "run: no display found; Velmo Movie Player runs inside its own Xvfb on" \
    "$DISPLAY (nothing is visible)" >&2

# The player runs in the background so that a signal to this script is
# handled at once: the EXIT trap then ends the player and Xvfb.
"$player" "${movies[@]}" &
player_pid=$!
status=0
wait "$player_pid" || status=$?
player_pid=""
exit "$status"
