#!/usr/bin/env bash
# Installs the Debian packages the suite needs, only those that are missing, without questions.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  openjdk-17-jdk-headless junit5
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libudev-dev
  qt6-base-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
