#!/bin/sh
# Configures and builds one tree: scripts/build.sh [BUILD_DIR [extra cmake options]]
# (BUILD_DIR defaults to build). The configure output shows only when it fails.
set -eu
dir=${1:-build}
if [ $# -gt 0 ]; then shift; fi
log=$(mktemp)
if ! cmake -S "$(dirname "$0")/.." -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
fi
rm -f "$log"
cmake --build "$dir" --parallel "$(nproc)"
