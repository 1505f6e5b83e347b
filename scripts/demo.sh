#!/bin/sh
# Installs what is missing, builds, and starts the program on the demo store
# (build/db.mdb, written from data/demo.sql unless it already exists).
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
sh scripts/build.sh build
if [ -z "${DISPLAY:-}" ]; then
    # No desktop: give the program a virtual one so it still starts.
    export DISPLAY=:77
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
    openbox >/dev/null 2>&1 &
    echo "No DISPLAY was set: the program runs on the virtual display $DISPLAY"
fi
exec ./build/nightaudit
