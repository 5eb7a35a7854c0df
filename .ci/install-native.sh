#!/usr/bin/env bash
# Installs the packages the native build and its tests need, when missing.
set -euo pipefail
needed=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev)
missing=()
for pkg in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
