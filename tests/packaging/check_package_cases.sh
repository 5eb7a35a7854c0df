#!/usr/bin/env bash
# Builds a small package for each row of form_cases.txt, with the row's
# fault planted, and runs packaging/check-package.sh on it: a package
# without a fault must pass silently, one with a fault must be refused
# (status 1, or 2 for a fault of the environment, epoch-*) with the row's
# message. A package of the fault 'repacked' is built as cpack leaves it
# and then goes through REPACK (cmake/QuilmarRepack.cmake) run by CMAKE, as
# cpack runs it.
#
#   check_package_cases.sh CHECK CASES WORK_DIR CMAKE REPACK
set -euo pipefail
(($# == 5)) || { echo "usage: $0 CHECK CASES WORK_DIR CMAKE REPACK" >&2; exit 2; }
checker=$1
cases=$2
work=$(realpath -m "$3")
cmake=$4
repack=$5
export LC_ALL=C
# An odd second, which a zip cannot keep.
export SOURCE_DATE_EPOCH=1700000001
even_second=$((SOURCE_DATE_EPOCH - 1))
# The packages are built under the umask that locks others out, and checked
# in a zone far from UTC: neither may reach the result.
umask 077
far_zone=Pacific/Kiritimati
[[ $(TZ=$far_zone date +%z) == +1400 ]] || far_zone=America/St_Johns

rm -rf "$work"
mkdir -p "$work"

# The files below a package's top besides README.txt, with their modes: an
# ELF program and shared library (only their first bytes count), a script,
# a Windows program and library.
files=(README.txt bin/quilmar bin/quilmar.exe bin/run bin/zkt.dll lib/libzkt.so)

# Writes the package of kind $1 with fault $2 to $3.
build_package() {
  local kind=$1 fault=$2 package=$3
  local dir=$package.d top
  mkdir -p "$dir/tree"
  local tree=$dir/tree
  if [[ $kind == deb ]]; then
    top=./usr
  else
    top=quilmar-1.0
  fi
  local t=$tree/$top
  mkdir -p "$t/bin" "$t/lib"
  echo "read me" >"$t/README.txt"
  printf '\177ELF\2\1\1\0' >"$t/bin/quilmar"
  printf '\177ELF\2\1\1\0' >"$t/lib/libzkt.so"
  printf '#!/bin/sh\n' >"$t/bin/run"
  printf 'MZ' >"$t/bin/quilmar.exe"
  printf 'MZ' >"$t/bin/zkt.dll"
  chmod 755 "$tree" "$t" "$t/bin" "$t/lib" "$t/bin/quilmar" "$t/bin/run" "$t/bin/quilmar.exe" "$t/bin/zkt.dll"
  chmod 644 "$t/README.txt" "$t/lib/libzkt.so"
  case $fault in
    orig) mv "$t/bin/quilmar" "$t/bin/quilmar.orig" ;;
    extra) cp -p "$t/bin/quilmar" "$t/bin/quilmar.orig" ;;
    folder-700) chmod 700 "$t/bin" ;;
    file-600) chmod 600 "$t/README.txt" ;;
    file-777) chmod 777 "$t/bin/quilmar" ;;
    text-755) chmod 755 "$t/README.txt" ;;
    library-755) chmod 755 "$t/lib/libzkt.so" ;;
    program-644) chmod 644 "$t/bin/quilmar" ;;
    script-644) chmod 644 "$t/bin/run" ;;
    exe-644) chmod 644 "$t/bin/quilmar.exe" ;;
    dll-644) chmod 644 "$t/bin/zkt.dll" ;;
    # As the packer's umask 077 leaves them: for the tar and the zip only,
    # whose entries the repack writes again.
    repacked) [[ $kind == deb ]] || chmod -R go= "$tree" ;;
  esac
  local stamp=$SOURCE_DATE_EPOCH
  if [[ $kind == zip && $fault != odd-second ]]; then
    stamp=$even_second
  fi
  # The times cpack gives the tar and the zip are those of the files; it
  # writes the .deb's from SOURCE_DATE_EPOCH itself.
  if [[ $fault != repacked || $kind == deb ]]; then
    find "$tree" -exec touch -h -d "@$stamp" {} +
  fi
  if [[ $fault == hour-off ]]; then
    touch -d "@$((stamp + 3600))" "$tree/$top/README.txt"
  fi

  # The entries, in byte order or in the fault's order.
  local list=$dir/entries
  (cd "$tree" && find . -mindepth 1 | sed 's:^\./::') |
    if [[ $kind == deb ]]; then sed -e 's:^:./:' -e '1i .'; else cat; fi |
    if [[ $fault == duplicate ]]; then sed 's:.*/README.txt$:&\n&:'; else cat; fi |
    if [[ $fault == folded-order ]]; then sort -f
    elif [[ $fault == repacked && $kind != deb ]]; then sort -r
    else sort; fi >"$list"

  local -a owner=(--owner=0 --group=0 --numeric-owner)
  [[ $fault == owner || ($fault == repacked && $kind != deb) ]] &&
    owner=(--owner=1000 --group=1000 --numeric-owner)
  case $kind in
    tgz)
      tar -c -f "$dir/data.tar" -C "$tree" --no-recursion -T "$list" --format=gnu "${owner[@]}"
      if [[ $fault == gzip-name || $fault == repacked ]]; then
        gzip -9 -c "$dir/data.tar" >"$package"
      else
        gzip -9 -n -c "$dir/data.tar" >"$package"
      fi
      if [[ $fault == gzip-time ]]; then
        # 1699999744, the time of a file packed before SOURCE_DATE_EPOCH,
        # little-endian at bytes 4 to 7: 00 f0 53 65, its low byte zero.
        printf '\000\360\123\145' | dd of="$package" bs=1 seek=4 conv=notrunc status=none
      fi
      ;;
    zip)
      (cd "$tree" && TZ=UTC0 zip -q -X -y "$package" -@ <"$list")
      ;;
    deb)
      tar -c -z -f "$dir/data.tar.gz" -C "$tree" --no-recursion -T "$list" --format=gnu "${owner[@]}"
      mkdir -p "$dir/control"
      printf 'Package: quilmar\nVersion: 1.0\nArchitecture: all\nMaintainer: A Builder <builder@example.org>\nDescription: test\n test\n' \
        >"$dir/control/control"
      (cd "$tree" && md5sum usr/README.txt) >"$dir/control/md5sums"
      chmod 644 "$dir/control/control" "$dir/control/md5sums"
      touch -d "@$stamp" "$dir/control/control" "$dir/control/md5sums"
      local -a members=(./md5sums ./control)
      [[ $fault == control-order ]] && members=(./control ./md5sums)
      tar -c -z -f "$dir/control.tar.gz" -C "$dir/control" --no-recursion --format=gnu \
        --owner=0 --group=0 --numeric-owner "${members[@]}"
      echo 2.0 >"$dir/debian-binary"
      (cd "$dir" && ar -r -c -D "$package" debian-binary control.tar.gz data.tar.gz)
      # ar D writes each member's mode as 644; dpkg-deb writes 100644, and
      # cpack the mode the packer's umask gives, which the repack sets
      # right. The three headers are at bytes 8, 72 and 72 + 60 + the
      # control member's size, padded to an even length; the mode at 40.
      local mode=100644 control_size
      case $fault in
        ar-664) mode=100664 ;;
        repacked) mode=100600 ;;
      esac
      control_size=$(stat -c %s "$dir/control.tar.gz")
      local at
      for at in 8 72 $((132 + control_size + control_size % 2)); do
        printf '%-8s' "$mode" | dd of="$package" bs=1 seek=$((at + 40)) conv=notrunc status=none
      done
      ;;
  esac
  if [[ $fault == repacked ]]; then
    "$cmake" "-DCPACK_PACKAGE_FILES=$package" -P "$repack" >"$dir/repack.log" 2>&1 ||
      { echo "$repack failed on $package:"; cat "$dir/repack.log"; return 1; }
  fi
}

failed=0
rows=0
while read -r kind fault check expected; do
  [[ -z $kind || $kind == \#* ]] && continue
  rows=$((rows + 1))
  name="$rows-$kind-$fault-$check"
  case $kind in
    tgz) package=$work/$name/quilmar-1.0.tar.gz top=quilmar-1.0 ;;
    zip) package=$work/$name/quilmar-1.0.zip top=quilmar-1.0 ;;
    deb) package=$work/$name/quilmar_1.0_all.deb top=./usr ;;
    *) echo "form_cases.txt: row $rows: unknown package kind '$kind'" >&2; exit 2 ;;
  esac
  mkdir -p "$work/$name"
  if ! build_package "$kind" "$fault" "$package"; then
    printf 'FAILED %s: the package could not be built\n' "$name"
    failed=$((failed + 1))
    continue
  fi
  case $check in
    form) args=(form "$package") ;;
    holds) args=(holds "$package" "${files[@]/#/$top/}") ;;
    holds-only) args=(holds --only "$package" "${files[@]/#/$top/}") ;;
    *) echo "form_cases.txt: row $rows: unknown check '$check'" >&2; exit 2 ;;
  esac
  environment=(TZ=$far_zone)
  refused_status=1
  case $fault in
    epoch-empty) environment=(TZ=$far_zone SOURCE_DATE_EPOCH=) refused_status=2 ;;
    epoch-unset) environment=(-u SOURCE_DATE_EPOCH TZ=$far_zone) refused_status=2 ;;
  esac
  status=0
  message=$(env "${environment[@]}" bash "$checker" "${args[@]}" 2>&1) || status=$?
  if [[ -z $expected ]]; then
    if ((status != 0)) || [[ -n $message ]]; then
      printf 'FAILED %s: refused (status %d), should pass:\n%s\n' "$name" "$status" "$message"
      failed=$((failed + 1))
      continue
    fi
  elif ((status != refused_status)) || [[ $message != *"$expected"* ]]; then
    printf 'FAILED %s: status %d, should be refused with\n  %s\nit printed:\n%s\n' \
      "$name" "$status" "$expected" "$message"
    failed=$((failed + 1))
    continue
  fi
  printf 'ok %s\n' "$name"
  if [[ -n $message ]]; then
    sed 's/^/  /' <<<"$message"
  fi
done <"$cases"

((rows > 0)) || { echo "no case in $cases" >&2; exit 1; }
printf '%d of %d cases as expected\n' $((rows - failed)) "$rows"
((failed == 0))
