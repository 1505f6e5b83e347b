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
. "$ROOT/benchmarks/xsession.sh"

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

start_x_session

PLAYREPS=$(( REPS < 5 ? REPS : 5 ))
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_playback" "$PLAYREPS" \
    "$WORK/keys1000.mdb" "$RECORD"
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_night" "$WORK/keys1000.mdb" "$RECORD"

# Start-up: nightaudit opens the db.mdb beside it, so each store gets its own copy.
mkdir -p "$WORK/demo" "$WORK/big"
cp "$BUILD/nightaudit" "$WORK/demo/" && cp "$BUILD/db.mdb" "$WORK/demo/db.mdb"
cp "$BUILD/nightaudit" "$WORK/big/" && cp "$WORK/tree10000.mdb" "$WORK/big/db.mdb"
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_startup" "$REPS" \
    "$BUILD/benchmarks/bench_minimal_window" "$WORK/demo" "$WORK/big" "10000"
