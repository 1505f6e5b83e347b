#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 30)
# over its checked-in corpus. A crash, hang or sanitizer report fails the run;
# the input that caused it is left in build-fuzz/ as crash-*, leak-* or timeout-*.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-30}
mkdir -p build-fuzz
# The build's output is shown only when it fails.
if ! { CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DNIGHTAUDIT_FUZZ=ON && cmake --build build-fuzz --parallel "$(nproc)"; } \
        >build-fuzz/build.log 2>&1; then
    tail -40 build-fuzz/build.log
    echo "fuzz: the fuzz targets did not build"
    exit 1
fi
status=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue  # skips the *_autogen folders
    name=$(basename "$target" | sed 's/^fuzz_//')
    corpus=tests/fuzz/corpus/$name
    work=build-fuzz/corpus-$name
    mkdir -p "$work"
    if (cd build-fuzz && "../$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
            -print_final_stats=1 "../$work" "../$corpus" >"fuzz-$name.log" 2>&1); then
        execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/fuzz-$name.log" | grep -o '[0-9]*$' || echo "?")
        echo "fuzz $name: ok, $execs executions, corpus $(ls "$work" | wc -l) files"
    else
        echo "fuzz $name: FAILED (see build-fuzz/fuzz-$name.log)"
        tail -40 "build-fuzz/fuzz-$name.log"
        status=1
    fi
done
exit $status
