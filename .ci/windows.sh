#!/usr/bin/env bash
# The Windows builds: installs what is missing, builds quilmar.exe and ZKT.dll
# for 32-bit Windows, runs the whole suite under Wine, packs the zip, and
# checks what an operator gets.
#
# The suite runs on the 32-bit build itself where this machine can start
# 32-bit programs. A kernel without 32-bit support (some virtual machines)
# cannot run any 32-bit Wine; there the same sources are built for 64-bit
# Windows and the suite runs under 64-bit Wine, and the 32-bit build is
# built, packed and checked without being run. The script says which.
set -euo pipefail
cd "$(dirname "$0")/.."

note() { printf -- '-- %s\n' "$*"; }

# Packages -------------------------------------------------------------------
# wine32 is an i386 package; wine64 runs the 64-bit build; the -posix
# compilers come with the g++-mingw-w64-* packages; googletest brings the
# GoogleTest sources that the cross builds compile.
bash .ci/install-packages.sh wine wine32:i386 wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
  googletest unzip
for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix i686-w64-mingw32-objdump wine; do
  command -v "$tool" >/dev/null || { echo "missing after install: $tool" >&2; exit 1; }
done

# Builds and tests -----------------------------------------------------------
if wine --version >/dev/null 2>&1; then
  note "32-bit Wine runs here: the suite runs on the 32-bit build"
  cmake --workflow --preset windows-x86
else
  note "32-bit programs cannot start on this machine: $(wine --version 2>&1 | tail -n1 || true)"
  note "the suite runs on the 64-bit build under 64-bit Wine; the 32-bit build is built, packed and checked"
  cmake --workflow --preset windows-x64
  cmake --preset windows-x86
  cmake --build --preset windows-x86
  cpack --preset windows-x86
fi

# The Wine servers of the test runs would end by themselves shortly after the
# last test; end them now so that nothing outlives the script.
for prefix in build/windows-x64/wineprefix build/windows-x86/wineprefix; do
  if [[ -d $prefix ]]; then
    WINEPREFIX="$PWD/$prefix" wineserver -k >/dev/null 2>&1 || true
  fi
done

# What an operator gets ------------------------------------------------------
build=build/windows-x86
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip="$build/quilmar-$version-win32.zip"
[[ -f $zip ]] || { echo "no package: $zip" >&2; exit 1; }
top="quilmar-$version-win32"
expected_entries=$(printf '%s\n' "$top/README.txt" "$top/ZKT.dll" "$top/demo/quilmar.ini" \
  "$top/demo/zkt.ini" "$top/quilmar.exe" "$top/zktdump.exe" | sort)
entries=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
if [[ $entries != "$expected_entries" ]]; then
  printf 'the package holds:\n%s\nexpected:\n%s\n' "$entries" "$expected_entries" >&2
  exit 1
fi
note "package: $zip"

# Twelve exports, undecorated (no leading underscore, no @size of stdcall).
expected_exports=$(printf '%s\n' ZKT_capture ZKT_cleanup ZKT_close ZKT_ctrl ZKT_displayMode \
  ZKT_getInfo ZKT_init ZKT_lidList ZKT_open ZKT_puList ZKT_release ZKT_serviceList)
exports=$(i686-w64-mingw32-objdump -p "$build/bin/ZKT.dll" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
if [[ $exports != "$expected_exports" ]]; then
  printf 'ZKT.dll exports:\n%s\nexpected:\n%s\n' "$exports" "$expected_exports" >&2
  exit 1
fi
note "ZKT.dll exports the twelve operations undecorated"

# Only system DLLs besides ZKT.dll: the C++ runtime is linked in.
for binary in "$build/bin/ZKT.dll" "$build/bin/quilmar.exe" "$build/bin/zktdump.exe"; do
  imports=$(i686-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
  foreign=$(grep -viE '^(kernel32|msvcrt|user32|advapi32|ZKT)\.dll$' <<<"$imports" || true)
  if [[ -n $foreign ]]; then
    printf '%s needs DLLs that are not shipped:\n%s\n' "$binary" "$foreign" >&2
    exit 1
  fi
done
note "quilmar.exe, zktdump.exe and ZKT.dll need no DLL besides the system's and ZKT.dll"
