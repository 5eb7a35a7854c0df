#!/usr/bin/env bash
# The Windows builds: installs what is missing, builds quilmar.exe, ZKT.dll
# and the tracing proxy trace/ZKT.dll for 32-bit Windows in both calling
# conventions of the board access library (cdecl: windows-x86, stdcall:
# windows-x86-stdcall), runs the whole suite under Wine, packs the zips, and
# checks what an operator gets: the zips' entries and the export and import
# tables (the twelve operations undecorated in both conventions).
#
# The suite runs on the 32-bit builds themselves where this machine can
# start 32-bit programs. A kernel without 32-bit support (some virtual
# machines) cannot run any 32-bit Wine; there the same sources are built for
# 64-bit Windows and the suite runs under 64-bit Wine (on 64-bit Windows
# there is one calling convention), and both 32-bit builds are built, packed
# and checked without being run. The script says which.
set -euo pipefail
cd "$(dirname "$0")/.."

note() { printf -- '-- %s\n' "$*"; }

# Packages -------------------------------------------------------------------
# wine32 is an i386 package; wine64 runs the 64-bit build; the -posix
# compilers come with the g++-mingw-w64-* packages; googletest brings the
# GoogleTest sources that the cross builds compile; zip writes the
# packages again in a fixed order.
bash .ci/install-packages.sh wine wine32:i386 wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
  googletest unzip zip
for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix i686-w64-mingw32-objdump wine; do
  command -v "$tool" >/dev/null || { echo "missing after install: $tool" >&2; exit 1; }
done

# Builds and tests -----------------------------------------------------------
# The packages take their times from the last commit, as Debian's build
# tools do, so that every build of one commit gives the same bytes.
if [[ -z ${SOURCE_DATE_EPOCH:-} ]] && SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH
fi

if wine --version >/dev/null 2>&1; then
  note "32-bit Wine runs here: the suite runs on both 32-bit builds (cdecl and stdcall)"
  cmake --workflow --preset windows-x86
  cmake --workflow --preset windows-x86-stdcall
else
  note "32-bit programs cannot start on this machine: $(wine --version 2>&1 | tail -n1 || true)"
  note "the suite runs on the 64-bit build under 64-bit Wine; both 32-bit builds (cdecl, stdcall) are built, packed and checked"
  cmake --workflow --preset windows-x64
  for preset in windows-x86 windows-x86-stdcall; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    cpack --preset "$preset"
  done
fi

# quilmar linked against a maker's stdcall DLL given as ZKT_LIBRARY: our own
# stdcall ZKT.dll stands in for it, linked directly, as a DLL without an
# import library would be.
maker_build=build/windows-x86-stdcall-library
cmake -S . -B "$maker_build" -G Ninja --toolchain cmake/mingw-w64-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DQUILMAR_BUILD_TESTS=OFF -DZKT_CALLING_CONVENTION=stdcall \
  -DZKT_LIBRARY="$PWD/build/windows-x86-stdcall/bin/ZKT.dll" >/dev/null
cmake --build "$maker_build" --target quilmar -j2

# The Wine servers of the test runs would end by themselves shortly after the
# last test; end them now so that nothing outlives the script.
for prefix in build/windows-x64/wineprefix build/windows-x86/wineprefix \
    build/windows-x86-stdcall/wineprefix; do
  if [[ -d $prefix ]]; then
    WINEPREFIX="$PWD/$prefix" wineserver -k >/dev/null 2>&1 || true
  fi
done

# What an operator gets ------------------------------------------------------
expected_operations=$(printf '%s\n' ZKT_capture ZKT_cleanup ZKT_close ZKT_ctrl ZKT_displayMode \
  ZKT_getInfo ZKT_init ZKT_lidList ZKT_open ZKT_puList ZKT_release ZKT_serviceList)

# Names in a DLL's export table.
exports_of() {
  i686-w64-mingw32-objdump -p "$1" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort
}
# Names a program imports from ZKT.dll.
zkt_imports_of() {
  i686-w64-mingw32-objdump -p "$1" | sed -n '/DLL Name: ZKT\.dll/,/^$/p' |
    awk 'NF == 3 && $2 ~ /^[0-9]+$/ { print $3 }' | sort
}
# Twelve operations, undecorated (no leading underscore, no @size of stdcall).
check_operations() {
  local what=$1 names=$2
  if [[ $names != "$expected_operations" ]]; then
    printf '%s:\n%s\nexpected:\n%s\n' "$what" "$names" "$expected_operations" >&2
    exit 1
  fi
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows-x86/CMakeCache.txt)
for variant in cdecl stdcall; do
  if [[ $variant == cdecl ]]; then
    build=build/windows-x86
    top="quilmar-$version-win32"
  else
    build=build/windows-x86-stdcall
    top="quilmar-$version-win32-stdcall"
  fi
  zip="$build/$top.zip"
  [[ -f $zip ]] || { echo "no package: $zip" >&2; exit 1; }
  expected_entries=$(printf '%s\n' "$top/README.txt" "$top/ZKT.dll" "$top/demo/quilmar.ini" \
    "$top/demo/zkt.ini" "$top/quilmar.exe" "$top/zktdump.exe" "$top/trace/ZKT.dll" | sort)
  entries=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
  if [[ $entries != "$expected_entries" ]]; then
    printf 'the package holds:\n%s\nexpected:\n%s\n' "$entries" "$expected_entries" >&2
    exit 1
  fi
  note "package ($variant): $zip, the tracing proxy under trace/"

  check_operations "$build/bin/ZKT.dll exports" "$(exports_of "$build/bin/ZKT.dll")"
  check_operations "$build/bin/trace/ZKT.dll exports" "$(exports_of "$build/bin/trace/ZKT.dll")"
  check_operations "$build/bin/quilmar.exe imports from ZKT.dll" \
    "$(zkt_imports_of "$build/bin/quilmar.exe")"
  note "$variant: ZKT.dll and trace/ZKT.dll export, quilmar.exe imports, the twelve operations undecorated"

  # Only system DLLs besides ZKT.dll: the C++ runtime is linked in.
  for binary in "$build/bin/ZKT.dll" "$build/bin/trace/ZKT.dll" "$build/bin/quilmar.exe" \
      "$build/bin/zktdump.exe"; do
    imports=$(i686-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
    foreign=$(grep -viE '^(kernel32|msvcrt|user32|advapi32|ZKT)\.dll$' <<<"$imports" || true)
    if [[ -n $foreign ]]; then
      printf '%s needs DLLs that are not shipped:\n%s\n' "$binary" "$foreign" >&2
      exit 1
    fi
  done
  note "$variant: quilmar.exe, zktdump.exe, ZKT.dll and trace/ZKT.dll need no DLL besides the system's and ZKT.dll"
done

# stdcall code: each operation of the stdcall DLLs pops its arguments.
for dll in build/windows-x86-stdcall/bin/ZKT.dll build/windows-x86-stdcall/bin/trace/ZKT.dll; do
  if ! i686-w64-mingw32-objdump -d --disassemble='_ZKT_init@8' "$dll" | grep -q 'ret  *\$0x8'; then
    echo "$dll: ZKT_init does not return as stdcall (ret \$0x8)" >&2
    exit 1
  fi
done
note "stdcall: ZKT_init of ZKT.dll and trace/ZKT.dll returns with ret \$0x8"

check_operations "quilmar.exe linked against ZKT_LIBRARY imports from ZKT.dll" \
  "$(zkt_imports_of "$maker_build/bin/quilmar.exe")"
note "ZKT_LIBRARY: quilmar.exe linked against a stdcall DLL imports the twelve operations undecorated"
