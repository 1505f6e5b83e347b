#!/bin/sh
# Playback per key of two builds of the program against ONE X session, alternated, so the
# two sets of rows share the machine's load. Each build's bench_playback measures its own
# XTest floor in the same process; compare the ratios.
#
#   sh benchmarks/compare_playback.sh BEFORE_BUILD AFTER_BUILD [ROUNDS]
#
# Both builds must have bench_playback (Release, -DNIGHTAUDIT_BENCHMARKS=ON). Each round
# runs before then after, three repetitions each; the rows of every round are printed.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BEFORE=$1
AFTER=$2
ROUNDS=${3:-3}
WORK=$(mktemp -d /tmp/nightaudit-compare.XXXXXX)
PIDS=""

cleanup() {
    for pid in $PIDS; do kill "$pid" 2>/dev/null || true; done
    for pid in $PIDS; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

wait_for() {
    tries=$1
    shift
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

python3 "$ROOT/benchmarks/gen_store.py" keys "$ROOT/data/schema.sql" "$WORK/keys1000.mdb" 1000

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

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'); before $BEFORE, after $AFTER"
for r in $(seq "$ROUNDS"); do
    for side in before after; do
        build=$BEFORE
        [ "$side" = after ] && build=$AFTER
        echo "round $r, $side, load $(cut -d' ' -f1-3 /proc/loadavg)"
        QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$build/benchmarks/bench_playback" 3 \
            "$WORK/keys1000.mdb" "$RECORD" | grep -E 'playback per key|single text'
    done
done
