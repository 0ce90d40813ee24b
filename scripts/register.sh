#!/usr/bin/env bash
# Registers every in-process server of a build in the registry file $ORV_REGISTRY and writes the
# OPOS device configuration for the simulated terminal.
# Usage: scripts/register.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
. scripts/env.sh "$build"

shopt -s nullglob
for lib in "$build"/lib/libOrvHelloServer.so "$build"/lib/lib*Bridge.so "$build"/lib/lib*Control.so; do
  regsvr /s "$lib"
  echo "registered $(basename "$lib")"
done
