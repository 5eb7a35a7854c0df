#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet;
# fails when the install fails. An i386 package (name:i386) first enables
# that architecture.
set -euo pipefail
missing=()
for pkg in "$@"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
((${#missing[@]})) || exit 0
echo "installing: ${missing[*]}"
if [[ " ${missing[*]}" == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
# A mirror that is being synced answers an index of the wrong size for a
# while: the update is tried again, and the install is tried with what the
# last update got, which fails by itself when a package is not there.
for attempt in 1 2 3; do
  apt-get update -qq && break
  echo "apt-get update failed (attempt $attempt of 3); trying again in $((attempt * 15)) s" >&2
  sleep $((attempt * 15))
done
for attempt in 1 2; do
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" &&
    exit 0
  echo "apt-get install failed (attempt $attempt of 2)" >&2
  sleep 30
  apt-get update -qq || true
done
exit 1
