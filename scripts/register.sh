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
  [ -e "$lib" ] || continue
  regsvr /s "$lib"
  echo "registered $(basename "$lib")"
done

# The OPOS device keys of the simulated terminal's devices (default value: the service object's
# ProgID) and the service objects' installation settings: the trace folder and the folder of the
# native libraries the Java side loads.
mkdir -p "$build/log"
devices="$build/opos-devices.reg"
cat > "$devices" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1]
@="ORVPin.so"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\SignatureCapture\\S1]
@="ORVSig.so"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\L1]
@="ORVLine.so"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR\\M1]
@="ORVMsr.so"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSKeyboard\\K1]
@="ORVKbd.so"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\ToneIndicator\\T1]
@="ORVTone.so"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\Scanner\\SCAN1]
@="ORVScanner.so"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane]
"Logpath"="$build/log/"
"Classpath"="$build/lib"
REG
orvreg import "$devices"
echo "wrote the OPOS device keys and ServiceInfo\\Orvane (Logpath $build/log/, Classpath $build/lib)"
