#!/bin/sh
# Installs what is missing, builds, and runs every test: once in a normal build and
# once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
[ -x scripts/setup-printer.sh ] && sh scripts/setup-printer.sh

status=0
sh scripts/build.sh build
(cd build && ctest --output-on-failure --timeout 300) || status=1

sh scripts/build.sh build-asan -DNIGHTAUDIT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure --timeout 300) || status=1

# Bad input: each fuzz target for a bounded time over its corpus.
sh scripts/fuzz.sh "${FUZZ_SECONDS:-30}" || status=1

exit $status
