#!/usr/bin/env bash
# Builds a small package for each row of form_cases.txt, with the row's
# fault planted, and runs packaging/check-package.sh on it: a package
# without a fault must pass silently, one with a fault must be refused
# (status 1) with the row's message.
#
#   check_package_cases.sh CHECK CASES WORK_DIR
set -euo pipefail
(($# == 3)) || { echo "usage: $0 CHECK CASES WORK_DIR" >&2; exit 2; }
checker=$1
cases=$2
work=$(realpath -m "$3")
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
  mkdir -p "$tree/$top/bin"
  echo "read me" >"$tree/$top/README.txt"
  printf '#!/bin/sh\n' >"$tree/$top/bin/quilmar"
  chmod 755 "$tree" "$tree/$top" "$tree/$top/bin" "$tree/$top/bin/quilmar"
  chmod 644 "$tree/$top/README.txt"
  case $fault in
    orig) mv "$tree/$top/bin/quilmar" "$tree/$top/bin/quilmar.orig" ;;
    extra) cp -p "$tree/$top/bin/quilmar" "$tree/$top/bin/quilmar.orig" ;;
    folder-700) chmod 700 "$tree/$top/bin" ;;
    file-600) chmod 600 "$tree/$top/README.txt" ;;
  esac
  local stamp=$SOURCE_DATE_EPOCH
  if [[ $kind == zip && $fault != odd-second ]]; then
    stamp=$even_second
  fi
  find "$tree" -exec touch -h -d "@$stamp" {} +
  if [[ $fault == hour-off ]]; then
    touch -d "@$((stamp + 3600))" "$tree/$top/README.txt"
  fi

  # The entries, in byte order or in the fault's order.
  local list=$dir/entries
  (cd "$tree" && find . -mindepth 1 | sed 's:^\./::') |
    if [[ $kind == deb ]]; then sed -e 's:^:./:' -e '1i .'; else cat; fi |
    if [[ $fault == folded-order ]]; then sort -f; else sort; fi >"$list"

  local -a owner=(--owner=0 --group=0 --numeric-owner)
  [[ $fault == owner ]] && owner=(--owner=1000 --group=1000 --numeric-owner)
  case $kind in
    tgz)
      tar -c -f "$dir/data.tar" -C "$tree" --no-recursion -T "$list" --format=gnu "${owner[@]}"
      if [[ $fault == gzip-name ]]; then
        gzip -9 -c "$dir/data.tar" >"$package"
      else
        gzip -9 -n -c "$dir/data.tar" >"$package"
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
      ;;
  esac
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
  build_package "$kind" "$fault" "$package"
  case $check in
    form) args=(form "$package") ;;
    holds) args=(holds "$package" "$top/README.txt" "$top/bin/quilmar") ;;
    holds-only) args=(holds --only "$package" "$top/README.txt" "$top/bin/quilmar") ;;
    *) echo "form_cases.txt: row $rows: unknown check '$check'" >&2; exit 2 ;;
  esac
  status=0
  message=$(TZ=$far_zone bash "$checker" "${args[@]}" 2>&1) || status=$?
  if [[ -z $expected ]]; then
    if ((status != 0)) || [[ -n $message ]]; then
      printf 'FAILED %s: refused (status %d), should pass:\n%s\n' "$name" "$status" "$message"
      failed=$((failed + 1))
      continue
    fi
  elif ((status != 1)) || [[ $message != *"$expected"* ]]; then
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
