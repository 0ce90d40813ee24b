#!/usr/bin/env bash
# Sets up a fresh machine, builds the suite, registers it in a private registry file and runs
# the main job: the test bench plays bench/scenarios/all-devices.txt headless against the
# simulated terminal (every device class opened, used once and closed) and prints its log.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default
cmake --build --preset default

. scripts/env.sh build
echo "== registering the suite in $ORV_REGISTRY"
scripts/register.sh build

if [ ! -x build/bin/probedesk ]; then
  echo "main.sh: build/bin/probedesk was not built (Qt 6 missing?)" >&2
  exit 1
fi
echo "== main job: the test bench plays bench/scenarios/all-devices.txt on the simulated terminal"
mkdir -p build/log
probedesk --scenario bench/scenarios/all-devices.txt --log build/log/all-devices.log
