#!/usr/bin/env bash
# The Windows builds: installs what is missing, builds quilmar.exe,
# zktdump.exe, the simulated ZKT.dll and the tracing proxy for 32-bit
# Windows, runs the whole suite under Wine, packs the zip, and checks what an
# operator gets: the zip's entries (no ZKT.dll beside the programs at its
# top), programs that import no ZKT_ operation (they bind the library at
# their start), the export tables, and the simulator and the proxy made three
# ways for sdk\ and the tests (cdecl; stdcall under the plain names; stdcall
# under _name@N names).
#
# The suite runs on the 32-bit build itself where this machine can start
# 32-bit programs. A kernel without 32-bit support (some virtual machines)
# cannot run any 32-bit Wine; there the same sources are built for 64-bit
# Windows and the suite runs under 64-bit Wine (on 64-bit Windows there is
# one calling convention), and the 32-bit build is built, packed and checked
# without being run. The script says which.
set -euo pipefail
cd "$(dirname "$0")/.."

note() { printf -- '-- %s\n' "$*"; }

# Packages -------------------------------------------------------------------
# wine64 runs the 64-bit build; the -posix compilers come with the
# g++-mingw-w64-* packages; googletest brings the GoogleTest sources that the
# cross builds compile; zip writes the packages again in a fixed order.
# groff-base renders the man pages into the zip's doc\ as text; the
# binutils' dlltool makes sdk\'s import libraries.
bash .ci/install-packages.sh wine wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 googletest unzip zip groff-base
for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix i686-w64-mingw32-objdump \
    i686-w64-mingw32-dlltool x86_64-w64-mingw32-dlltool wine groff; do
  command -v "$tool" >/dev/null || { echo "missing after install: $tool" >&2; exit 1; }
done
# wine32 is an i386 package. Where the archive cannot give it (its i386
# index is missing or being synced), the run takes the path of a machine
# that cannot start 32-bit programs, below, and says so.
wine32_missing=""
if ! bash .ci/install-packages.sh wine32:i386; then
  wine32_missing="wine32 (i386) cannot be installed from the package archive"
fi

# Builds and tests -----------------------------------------------------------
# The packages take their times from the last commit, as Debian's build
# tools do, so that every build of one commit gives the same bytes.
if [[ -z ${SOURCE_DATE_EPOCH:-} ]] && SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH
fi

# /usr/lib/wine/wine is the 32-bit loader; without it the wine command runs
# the 64-bit one.
if [[ -z $wine32_missing && -x /usr/lib/wine/wine ]] && wine --version >/dev/null 2>&1; then
  note "32-bit Wine runs here: the suite runs on the 32-bit build, beside the simulator made all three ways"
  cmake --workflow --preset windows-x86
else
  note "32-bit programs cannot start on this machine: ${wine32_missing:-$(wine --version 2>&1 | tail -n1 || true)}"
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
# The operations with the bytes of their arguments (ZKT_init:8), from their
# one list.
operation_bytes() {
  sed -n 's/^ZKT_OPERATION([^,]*, *\([A-Za-z]*\), *[A-Za-z]*, *\([0-9]*\),.*/\1 \2/p' \
    boardlib/zkt_operations.inc |
    while read -r name words; do echo "ZKT_$name:$((4 * words))"; done
}
expected_operations=$(operation_bytes | sed 's/:.*//' | sort)
[[ $(wc -l <<<"$expected_operations") -ge 12 ]] || { echo "cannot read boardlib/zkt_operations.inc" >&2; exit 1; }

# Names in a DLL's export table.
exports_of() {
  i686-w64-mingw32-objdump -p "$1" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort
}
# The operations a program imports, from whichever DLL.
zkt_imports_of() {
  i686-w64-mingw32-objdump -p "$1" | sed -n '/DLL Name: /,/^$/p' |
    awk 'NF == 3 && $2 ~ /^[0-9]+$/ { print $3 }' | grep -E '^_?ZKT_' | sort || true
}
# The operations, undecorated (no leading underscore, no @size of stdcall).
check_operations() {
  local what=$1 names=$2
  if [[ $names != "$expected_operations" ]]; then
    printf '%s:\n%s\nexpected:\n%s\n' "$what" "$names" "$expected_operations" >&2
    exit 1
  fi
}

# The operations as stdcall decorates them: _name@N, N the bytes of their
# arguments.
decorated_operations() {
  operation_bytes | sed 's/^\(.*\):\(.*\)$/_\1@\2/' | sort
}

build=build/windows-x86
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
top="quilmar-$version-win32"
zip="$build/$top.zip"
[[ -f $zip ]] || { echo "no package: $zip" >&2; exit 1; }
expected_files=("$top/README.txt" "$top/LICENSE" "$top/quilmar.exe" "$top/zktdump.exe"
  "$top/demo/quilmar.exe" "$top/demo/zktdump.exe" "$top/demo/ZKT.dll" "$top/demo/quilmar.ini"
  "$top/demo/zkt.ini" "$top/trace/quilmar.exe" "$top/trace/zktdump.exe" "$top/trace/ZKT.dll"
  "$top/doc/quilmar.txt" "$top/doc/zktdump.txt" "$top/doc/zkt.txt" "$top/doc/zkt.ini.txt"
  "$top/sdk/zkt_api.h")
for form in cdecl stdcall stdcall-decorated; do
  for file in ZKT.def libZKT.a sim/ZKT.dll trace/ZKT.dll; do expected_files+=("$top/sdk/$form/$file"); done
done
if ! bash packaging/check-package.sh holds --only "$zip" "${expected_files[@]}"; then
  printf 'the package holds:\n%s\n' "$(unzip -Z1 "$zip")" >&2
  exit 1
fi
note "package: $zip, no ZKT.dll at its top, the simulator under demo/, the proxy under trace/, both in each form under sdk/"
# Its canonical form: entries in byte order (README.txt before quilmar.exe),
# folders 755, the .exe and .dll files 755 and every other file 644, every
# time SOURCE_DATE_EPOCH rounded down to an even second.
bash packaging/check-package.sh form "$zip"
note "$zip: in byte order, folders and programs 755, other files 644, of SOURCE_DATE_EPOCH"

# The references as a Windows reader opens them: every line ended by CR LF,
# no backspace of an overstrike and no escape sequence, the page's NAME
# section present; and every doc\ file README.txt names is there.
for page in "${expected_files[@]}"; do
  [[ $page == "$top/doc/"* ]] || continue
  if [[ $(unzip -p "$zip" "$page" | grep -cx $'NAME\r' || true) != 1 ]]; then
    echo "$zip: $page holds no NAME line ended by CR LF" >&2
    exit 1
  fi
  # A line left with a bare LF (an empty one too), or a CR inside a line.
  bad_ends=$(unzip -p "$zip" "$page" | LC_ALL=C grep -c -e '^$' -e $'[^\r]$' -e $'\r.' || true)
  controls=$(unzip -p "$zip" "$page" | LC_ALL=C tr -d '\r\n -~' | wc -c)
  if [[ $bad_ends != 0 || $controls != 0 ]]; then
    echo "$zip: $page has $bad_ends lines not ended by one CR LF and $controls bytes other than printable ASCII" >&2
    exit 1
  fi
done
for named in $(unzip -p "$zip" "$top/README.txt" | grep -oE 'doc\\[A-Za-z.]+\.txt' | sort -u); do
  if ! printf '%s\n' "${expected_files[@]}" | grep -qxF "$top/doc/${named#doc\\}"; then
    echo "$zip: README.txt names $named, which the package does not hold" >&2
    exit 1
  fi
done
note "doc/: the four reference pages as text, CR LF, printable ASCII only; README.txt names none that is missing"

check_operations "$build/bin/ZKT.dll exports" "$(exports_of "$build/bin/ZKT.dll")"
check_operations "$build/bin/trace/ZKT.dll exports" "$(exports_of "$build/bin/trace/ZKT.dll")"
for dll in stdcall trace-stdcall; do
  check_operations "$build/bin/$dll/ZKT.dll exports" "$(exports_of "$build/bin/$dll/ZKT.dll")"
done
for dll in decorated trace-decorated; do
  decorated=$(exports_of "$build/bin/$dll/ZKT.dll")
  if [[ $decorated != "$(decorated_operations)" ]]; then
    printf '%s/bin/%s/ZKT.dll exports:\n%s\n' "$build" "$dll" "$decorated" >&2
    exit 1
  fi
done
note "ZKT.dll, trace/ZKT.dll and the stdcall simulator and proxy export the twelve operations undecorated; the decorated ones as _ZKT_init@8 and so on"

for program in quilmar zktdump; do
  imports=$(zkt_imports_of "$build/bin/$program.exe")
  if [[ -n $imports ]]; then
    printf '%s.exe imports operations:\n%s\n' "$program" "$imports" >&2
    exit 1
  fi
done
note "quilmar.exe and zktdump.exe import nothing from ZKT.dll: they bind it at their start"

# Only system DLLs: the C++ runtime is linked in, and the programs load
# ZKT.dll themselves.
for binary in "$build/bin/ZKT.dll" "$build/bin/trace/ZKT.dll" "$build/bin/quilmar.exe" \
    "$build/bin/zktdump.exe"; do
  imports=$(i686-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
  foreign=$(grep -viE '^(kernel32|msvcrt|user32|advapi32)\.dll$' <<<"$imports" || true)
  if [[ -n $foreign ]]; then
    printf '%s needs DLLs that are not shipped:\n%s\n' "$binary" "$foreign" >&2
    exit 1
  fi
done
note "quilmar.exe, zktdump.exe, ZKT.dll and trace/ZKT.dll need no DLL besides the system's"

# The convention of each: the stdcall simulators pop their arguments, the
# shipped ones leave them. How ZKT_init leaves, one way a line: 'ret',
# 'ret $0x8', or 'tail' for a jump into another function, which only a
# function that pops nothing may end in.
exits_of_init() {
  i686-w64-mingw32-objdump -d --disassemble="$2" "$1" |
    sed -nE 's/.*\t(ret +\$0x[0-9a-f]+).*/\1/p; s/.*\tret *$/ret/p; s/.*\tjmp +[0-9a-f]+ <[^+>]+>$/tail/p' |
    tr -s ' ' | sort -u
}
for dll in "$build"/bin/{stdcall,decorated,trace-stdcall,trace-decorated}/ZKT.dll; do
  if [[ $(exits_of_init "$dll" _ZKT_init@8) != 'ret $0x8' ]]; then
    echo "$dll: ZKT_init does not return as stdcall (ret \$0x8 alone)" >&2
    exit 1
  fi
done
for dll in "$build/bin/ZKT.dll" "$build/bin/trace/ZKT.dll"; do
  exits=$(exits_of_init "$dll" _ZKT_init)
  if [[ -z $exits || $exits == *'$'* ]]; then
    echo "$dll: ZKT_init does not return as cdecl (ret, or a tail call): ${exits:-no exit found}" >&2
    exit 1
  fi
done
note "ZKT_init returns with ret \$0x8 in the stdcall simulators and proxies, and with ret or a tail call in the shipped ZKT.dll and trace/ZKT.dll"
