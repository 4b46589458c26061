#!/usr/bin/env bash
# Prepares a Velmo Movie Player checkout on Debian 12: installs the Debian
# packages the build and the tests need (only those missing), configures the
# build tree build/ on first use and builds it incrementally. With
# --packages-only it stops after the packages.
#
# Run it (scripts/setup.sh) or source it (. scripts/setup.sh); a sourced run
# leaves the calling shell in the repository root and does not change its
# shell options.

_velmo_packages=(
    cmake g++ make pkg-config
    qt6-base-dev libxcb1-dev libmpv-dev libavformat-dev
    ffmpeg xvfb xdotool
    weston qt6-wayland
    fonts-ipafont-gothic
    libgtest-dev libgmock-dev
    clang-format
    clang libclang-rt-14-dev llvm
    desktop-file-utils appstream
    dpkg-dev file lintian
)

_velmo_root() {
    cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd
}

_velmo_ensure_packages() {
    local missing=() pkg
    for pkg in "${_velmo_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi

    local as_root=()
    if ((EUID != 0)); then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            as_root=(sudo -n)
        else
            echo "setup: error: these Debian packages are missing: ${missing[*]}" >&2
            echo "setup: error: installing them needs root; run this script as root," >&2
            echo "setup: error: allow passwordless sudo, or install them yourself:" >&2
            echo "  sudo apt-get install ${missing[*]}" >&2
            return 1
        fi
    fi
    echo "setup: installing missing Debian packages: ${missing[*]}" >&2
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}

_velmo_build() {
    if [[ ! -f build/CMakeCache.txt ]]; then
        cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build build -j"$(nproc)"
}

_velmo_setup_main() {
    set -euo pipefail
    cd "$(_velmo_root)"
    _velmo_ensure_packages
    if [[ "${1-}" != --packages-only ]]; then
        _velmo_build
    fi
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -euo pipefail
    _velmo_setup_main "$@"
else
    # Sourced: do the work in a child shell so that its options (set -e and
    # friends) do not leak into the caller, then move the caller to the root.
    bash "$(dirname "${BASH_SOURCE[0]}")/setup.sh" "$@" || return
    cd "$(dirname "${BASH_SOURCE[0]}")/.." || return
fi
