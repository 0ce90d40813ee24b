#!/usr/bin/env bash
# Sets up a fresh machine, builds the suite, registers it in a private registry file and runs
# the main job.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default
cmake --build --preset default

. scripts/env.sh build
echo "== registering the suite in $ORV_REGISTRY"
scripts/register.sh build

echo "== main job: an EFT transaction on the simulated PIN pad through the OPOS control"
orv-pinpad-eft P1
