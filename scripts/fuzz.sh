#!/usr/bin/env bash
# Runs every libFuzzer binary of a fuzz build for a bounded time, starting from its seed corpus.
# Usage: scripts/fuzz.sh <fuzz build dir> <seconds per target>
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-30}
shopt -s nullglob
failed=0
for fuzzer in "$build"/fuzz/*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  seeds=$(find . -path "./build*" -prune -o -type d -path "*/fuzz/corpus/$name" -print | head -n 1)
  work=$(mktemp -d)
  [ -n "$seeds" ] && cp -r "$seeds"/. "$work"/
  echo "-- $name for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1 "$fuzzer" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$work" >"$work.log" 2>&1; then
    tail -n 40 "$work.log"
    failed=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$work.log" | tail -n 2 || true
  fi
  rm -rf "$work" "$work.log"
done
exit $failed
