#!/bin/sh
# Configures and builds one tree: scripts/build.sh BUILD_DIR [extra cmake options]
set -eu
dir=${1:-build}
shift || true
cmake -S "$(dirname "$0")/.." -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
