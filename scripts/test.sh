#!/bin/sh
# Installs what is missing, builds, and runs every test: once in a normal build and
# once under AddressSanitizer and UndefinedBehaviorSanitizer, then the fuzz targets.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
[ -x scripts/setup-printer.sh ] && sh scripts/setup-printer.sh

status=0
mkdir -p build
sh scripts/build.sh build
# Every end-to-end test starts its own X server, so the tests run two at a time; those
# that share something (the one CUPS queue) carry a RESOURCE_LOCK.
(cd build && ctest -j2 --output-on-failure --timeout 300) 2>&1 | tee build/ctest.log
grep -q "100% tests passed" build/ctest.log || status=1

mkdir -p build-asan
sh scripts/build.sh build-asan -DNIGHTAUDIT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
# The .deb packages are made and checked, and the real applications (Wine, Chromium, Java,
# GTK) typed into, from the normal build only.
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest -j2 -LE "package|apps" --output-on-failure --timeout 300) 2>&1 | tee build-asan/ctest.log
grep -q "100% tests passed" build-asan/ctest.log || status=1

# Bad input: each fuzz target for a bounded time over its corpus.
sh scripts/fuzz.sh "${FUZZ_SECONDS:-30}" || status=1

# One closing line over both runs.
total=$(cat build/ctest.log build-asan/ctest.log | sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' |
    awk '{f += $1; t += $2} END {print t - f, f}')
set -- $total
echo "tests: $1 passed, $2 failed"
exit $status
