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

# The same tests once more under the sanitizers; the log is build-asan/ctest.log.
sh scripts/asan-repeat.sh 1 || { status=1; cat build-asan/ctest.log; }

# Bad input: each fuzz target for a bounded time over its corpus.
sh scripts/fuzz.sh "${FUZZ_SECONDS:-30}" || status=1

# One closing line over both runs.
total=$(cat build/ctest.log build-asan/ctest.log | sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' |
    awk '{f += $1; t += $2} END {print t - f, f}')
set -- $total
echo "tests: $1 passed, $2 failed"
exit $status
