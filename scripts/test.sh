#!/usr/bin/env bash
# Sets up a fresh machine and runs every test: the normal build with all unit, Java and
# end-to-end tests, the sanitizer build of the native tests, and each fuzz target for a
# bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-30}

scripts/setup.sh

echo "== normal build and tests"
cmake --preset default
cmake --build --preset default
ctest --preset default

echo "== sanitizer build and tests"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize -LE no-sanitize

echo "== fuzzing (${FUZZ_SECONDS}s per target)"
cmake --preset fuzz
cmake --build --preset fuzz --target orv_fuzzers
scripts/fuzz.sh build-fuzz "$FUZZ_SECONDS"

echo "== all tests passed"
