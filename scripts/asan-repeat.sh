#!/bin/sh
# Builds the AddressSanitizer/UndefinedBehaviorSanitizer tree and runs its tests N times in a
# row (scripts/asan-repeat.sh [N], N defaults to 1), to show a test that fails only now and
# then: one line per run (pass, or fail and the failed tests), then the count of green runs.
# Run RUN's whole output is kept in build-asan/ctest-RUN.log, the last one also in
# build-asan/ctest.log. Exits non-zero when any run failed.
set -eu
cd "$(dirname "$0")/.."
runs=${1:-1}

mkdir -p build-asan
sh scripts/build.sh build-asan -DNIGHTAUDIT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

green=0
run=1
while [ "$run" -le "$runs" ]; do
    log=build-asan/ctest-$run.log
    # The .deb packages are made and checked, and the real applications (Wine, Chromium, Java,
    # GTK) typed into, from the normal build only.
    (cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest -j2 -LE "package|apps" --output-on-failure --timeout 300) >"$log" 2>&1 || true
    cp "$log" build-asan/ctest.log
    if grep -q "100% tests passed" "$log"; then
        green=$((green + 1))
        echo "run $run: pass"
    else
        failed=$(awk '/The following tests FAILED/ { f = 1; next } f && / - / { printf " %s", $3 }' "$log")
        echo "run $run: fail:${failed:- (no test list; see $log)}"
    fi
    run=$((run + 1))
done
echo "asan-repeat: $green of $runs runs green"
[ "$green" -eq "$runs" ]
