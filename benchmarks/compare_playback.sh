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
. "$ROOT/benchmarks/xsession.sh"

python3 "$ROOT/benchmarks/gen_store.py" keys "$ROOT/data/schema.sql" "$WORK/keys1000.mdb" 1000

start_x_session

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
