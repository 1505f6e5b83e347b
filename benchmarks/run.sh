#!/bin/sh
# Builds the benchmark programs (Release, in build-bench/), writes the stores, starts a
# throwaway X session (Xvfb, openbox, a raw recording xterm) and prints one table.
# Never part of CTest or CI: it takes a few minutes on a busy two-core machine.
#
#   sh benchmarks/run.sh            (REPS=n to change the repetitions, BUILD=dir the build)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build-bench}
REPS=${REPS:-7}
WORK=$(mktemp -d /tmp/nightaudit-bench.XXXXXX)
PIDS=""

cleanup() {
    # Clients first, the server last.
    for pid in $PIDS; do kill "$pid" 2>/dev/null || true; done
    for pid in $PIDS; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

# A bounded poll: waits until the command succeeds, at most $1 tenths of a second.
wait_for() {
    tries=$1
    shift
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DNIGHTAUDIT_BENCHMARKS=ON -DNIGHTAUDIT_TESTS=OFF >/dev/null
ninja -C "$BUILD" -j2 bench_tree bench_playback bench_night bench_startup bench_minimal_window nightaudit \
    demo_store >/dev/null

SCHEMA=$ROOT/data/schema.sql
# Key sequence ids are 16-bit: 32 767 is the largest store the program can hold.
SIZES="100 1000 10000 32767"
STORES=""
for n in $SIZES; do
    python3 "$ROOT/benchmarks/gen_store.py" tree "$SCHEMA" "$WORK/tree$n.mdb" "$n"
    STORES="$STORES $WORK/tree$n.mdb"
done
python3 "$ROOT/benchmarks/gen_store.py" keys "$SCHEMA" "$WORK/keys1000.mdb" 1000

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$ROOT" rev-parse --short HEAD), $REPS repetitions, medians"
echo
echo "| area | case | figure | reference (same run) | ratio | target | verdict |"
echo "|---|---|---|---|---|---|---|"

# shellcheck disable=SC2086
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_tree" "$REPS" $STORES

# The X session: a free display number, openbox for window activation, and an xterm in
# raw mode that appends every byte it receives to a file.
n=$((60 + $$ % 100))
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
DISPLAY=:$n
export DISPLAY
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
PIDS="$! $PIDS"
wait_for 100 xdpyinfo || { echo "Xvfb did not come up" >&2; exit 1; }
openbox >/dev/null 2>&1 &
PIDS="$! $PIDS"
wait_for 100 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    { echo "openbox did not come up" >&2; exit 1; }
RECORD=$WORK/recorder.bin
xterm -T 'Front Desk' -xrm 'XTerm*allowTitleOps: false' \
    -e sh -c "stty raw -echo; exec cat >> '$RECORD'" >/dev/null 2>&1 &
PIDS="$! $PIDS"
wait_for 100 sh -c "test -e '$RECORD' && xwininfo -root -tree | grep -q '\"Front Desk\"'" ||
    { echo "the recording xterm did not come up" >&2; exit 1; }

PLAYREPS=$(( REPS < 3 ? REPS : 3 ))
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_playback" "$PLAYREPS" \
    "$WORK/keys1000.mdb" "$RECORD"
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_night" "$WORK/keys1000.mdb" "$RECORD"

# Start-up: nightaudit opens the db.mdb beside it, so each store gets its own copy.
mkdir -p "$WORK/demo" "$WORK/big"
cp "$BUILD/nightaudit" "$WORK/demo/" && cp "$BUILD/db.mdb" "$WORK/demo/db.mdb"
cp "$BUILD/nightaudit" "$WORK/big/" && cp "$WORK/tree10000.mdb" "$WORK/big/db.mdb"
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_startup" "$REPS" \
    "$BUILD/benchmarks/bench_minimal_window" "$WORK/demo" "$WORK/big" "10000"
