#!/bin/sh
# Builds the benchmark programs (Release, in build-bench/), writes the stores, starts a
# throwaway X session (Xvfb, openbox, a raw recording xterm) and prints one table.
# Never part of CTest or CI: it takes a few minutes on a busy two-core machine.
#
#   sh benchmarks/run.sh            (REPS=n to change the repetitions, BUILD=dir the build)
#   ONLY=startup sh benchmarks/run.sh   (the start-up and memory rows alone)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build-bench}
REPS=${REPS:-7}
ONLY=${ONLY:-}
case "$ONLY" in "" | startup) ;; *) echo "ONLY=startup or nothing" >&2; exit 2 ;; esac
WORK=$(mktemp -d /tmp/nightaudit-bench.XXXXXX)
. "$ROOT/benchmarks/xsession.sh"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DNIGHTAUDIT_BENCHMARKS=ON -DNIGHTAUDIT_TESTS=OFF >/dev/null
TARGETS="bench_startup bench_minimal_window nightaudit demo_store"
[ -n "$ONLY" ] || TARGETS="bench_tree bench_playback bench_night $TARGETS"
# shellcheck disable=SC2086
ninja -C "$BUILD" -j2 $TARGETS >/dev/null

SCHEMA=$ROOT/data/schema.sql
# Key sequence ids are 16-bit: 32 767 is the largest store the program can hold.
SIZES="100 1000 10000 32767"
[ "$ONLY" = startup ] && SIZES=10000
STORES=""
for n in $SIZES; do
    python3 "$ROOT/benchmarks/gen_store.py" tree "$SCHEMA" "$WORK/tree$n.mdb" "$n"
    STORES="$STORES $WORK/tree$n.mdb"
done
python3 "$ROOT/benchmarks/gen_store.py" keys "$SCHEMA" "$WORK/keys1000.mdb" 1000

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$ROOT" rev-parse --short HEAD), $REPS repetitions, medians"
echo "Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| area | case | figure | reference (same run) | ratio | target | verdict |"
echo "|---|---|---|---|---|---|---|"

if [ -z "$ONLY" ]; then
    # shellcheck disable=SC2086
    QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_tree" "$REPS" $STORES
fi

start_x_session

if [ -z "$ONLY" ]; then
    PLAYREPS=$(( REPS < 5 ? REPS : 5 ))
    QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_playback" "$PLAYREPS" \
        "$WORK/keys1000.mdb" "$RECORD"
    QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_night" "$WORK/keys1000.mdb" "$RECORD"
fi

# Start-up: nightaudit opens the db.mdb beside it, so each store gets its own copy.
mkdir -p "$WORK/demo" "$WORK/big"
cp "$BUILD/nightaudit" "$WORK/demo/" && cp "$BUILD/db.mdb" "$WORK/demo/db.mdb"
cp "$BUILD/nightaudit" "$WORK/big/" && cp "$WORK/tree10000.mdb" "$WORK/big/db.mdb"
# Start-up swings by a tenth between two copies of the same program: at least three rounds
# of the six orders of the three programs.
STARTREPS=$(( REPS < 18 ? 18 : REPS ))
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$BUILD/benchmarks/bench_startup" "$STARTREPS" \
    "$BUILD/benchmarks/bench_minimal_window" "$WORK/demo" "$WORK/big" "10000"
