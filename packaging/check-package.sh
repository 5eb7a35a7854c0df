#!/usr/bin/env bash
# Checks built packages (.tar.gz, .deb, .zip) one by one, each by itself,
# without a second build to compare it with. .ci/package.sh, .ci/windows.sh
# and .ci/reproducible.sh use it; tests/packaging pins what it refuses.
#
#   check-package.sh form PACKAGE...
#     Each package is in the canonical form cmake/QuilmarRepack.cmake and
#     cpack give it, whatever the packer's umask, time zone and locale:
#     - its entries in byte order of their names (README.txt before
#       quilmar.exe); the .deb's control members in the fixed order cpack
#       writes them (md5sums, control, then the scripts);
#     - folders 755, files 644 or 755, links as links;
#     - tar entries (the .tar.gz, the .deb's data and control) owned by 0/0;
#     - every time SOURCE_DATE_EPOCH, read in UTC; in a zip, which keeps
#       times to two seconds, SOURCE_DATE_EPOCH rounded down to an even
#       second, and packed with Unix modes;
#     - a .tar.gz's gzip header carries no file name and no time.
#   check-package.sh holds [--only] PACKAGE NAME...
#     The package lists each NAME as a whole entry name, as the package
#     spells it (./usr/bin/quilmar in a .deb, quilmar-<version>-<system>/bin/
#     quilmar in a .tar.gz or a .zip): bin/quilmar.orig is not bin/quilmar.
#     With --only it holds no other file (folders aside).
#
# Every fault found is printed on standard error, one a line, naming the
# package and the entry; the status is 1 when there is one, 2 on a usage
# error. Needs GNU tar, gzip, dpkg-deb for a .deb and unzip for a .zip.
set -euo pipefail
# Byte order for every comparison of names below, and the tools' messages
# in one language.
export LC_ALL=C

usage() {
  echo "usage: $0 form PACKAGE... | $0 holds [--only] PACKAGE NAME..." >&2
  exit 2
}

faults=0
fault() {
  printf '%s\n' "$*" >&2
  faults=$((faults + 1))
}

# The checks of one entry. check_order gets the names in the package's
# order, a folder's without its trailing /, and compares each with the one
# before; check_mode gets the mode as ls spells it.
previous_name=
first_entry=1
check_order() {
  local what=$1 name=$2
  if ((first_entry == 0)) && ! [[ $previous_name < $name ]]; then
    fault "$what: entries not in byte order: '$previous_name' comes before '$name'"
  fi
  previous_name=$name
  first_entry=0
}

check_mode() {
  local what=$1 name=$2 mode=$3
  case $mode in
    d*) [[ $mode == drwxr-xr-x ]] || fault "$what: folder '$name' has mode $mode, not drwxr-xr-x (755)" ;;
    -*) [[ $mode == -rw-r--r-- || $mode == -rwxr-xr-x ]] ||
      fault "$what: file '$name' has mode $mode, not -rw-r--r-- (644) or -rwxr-xr-x (755)" ;;
    l*) ;;
    *) fault "$what: '$name' is neither a file, a folder nor a link (mode $mode)" ;;
  esac
}

# The listing of a tar archive read from standard input: mode, uid/gid,
# size, date, time (UTC) and name of each entry.
tar_listing() {
  TZ=UTC0 tar -t -v --full-time --numeric-owner -f -
}

# order is name-order, or the names the entries must follow in that order,
# each at most once.
check_tar() {
  local what=$1 order=$2 listing=$3
  if [[ -z $listing ]]; then
    fault "$what: holds nothing"
    return
  fi
  local expected_time
  expected_time=$(date -u -d "@$epoch" '+%F %T')
  local -a fixed_order=()
  [[ $order == name-order ]] || read -r -a fixed_order <<<"$order"
  local rank=0 mode owner day clock name
  previous_name=
  first_entry=1
  while read -r mode owner _ day clock name; do
    [[ $mode == l* ]] && name=${name% -> *}
    if [[ $order == name-order ]]; then
      check_order "$what" "${name%/}"
    else
      while ((rank < ${#fixed_order[@]})) && [[ ${fixed_order[rank]} != "$name" ]]; do
        rank=$((rank + 1))
      done
      if ((rank == ${#fixed_order[@]})); then
        fault "$what: '$name' is out of the fixed order (${fixed_order[*]}) or not one of them"
        rank=0
      else
        rank=$((rank + 1))
      fi
    fi
    check_mode "$what" "$name" "$mode"
    [[ $owner == 0/0 ]] || fault "$what: '$name' is owned by $owner, not 0/0 (root)"
    [[ "$day $clock" == "$expected_time" ]] ||
      fault "$what: '$name' is of $day $clock UTC, not of $expected_time UTC (SOURCE_DATE_EPOCH=$epoch)"
  done <<<"$listing"
}

# The gzip header: its flags at byte 3 (8: a file name follows), its time
# at bytes 4 to 7.
check_gzip_header() {
  local what=$1 file=$2 bytes
  read -r -a bytes < <(od -A n -t u1 -N 8 "$file")
  if ((${#bytes[@]} < 8 || bytes[0] != 31 || bytes[1] != 139)); then
    fault "$what: not gzip data"
    return
  fi
  if ((bytes[3] & 8)); then
    fault "$what: its gzip header carries a file name"
  fi
  if ((bytes[4] != 0 || bytes[5] != 0 || bytes[6] != 0 || bytes[7] != 0)); then
    fault "$what: its gzip header carries a time"
  fi
}

check_zip() {
  local what=$1 file=$2 listing
  # zipinfo's listing, -T for the whole time: mode, version, the system the
  # modes are of, size, text or binary, method, yyyymmdd.hhmmss, name;
  # between a header of two lines and a summary line.
  listing=$(TZ=UTC0 unzip -Z -T "$file" | sed -e '1,2d' -e '$d') ||
    { fault "$what: unzip cannot list it"; return; }
  if [[ -z $listing ]]; then
    fault "$what: holds nothing"
    return
  fi
  local rounded_down=$((epoch - epoch % 2)) expected_time
  expected_time=$(date -u -d "@$rounded_down" '+%Y%m%d.%H%M%S')
  local mode host stamp name
  previous_name=
  first_entry=1
  while read -r mode _ host _ _ _ stamp name; do
    check_order "$what" "${name%/}"
    if [[ $host != unx ]]; then
      fault "$what: '$name' has no Unix modes (packed on $host)"
    else
      check_mode "$what" "$name" "$mode"
    fi
    [[ $stamp == "$expected_time" ]] ||
      fault "$what: '$name' is of $stamp, not of $expected_time (SOURCE_DATE_EPOCH=$epoch rounded down to an even second)"
  done <<<"$listing"
}

check_form() {
  local package=$1 listing
  case $package in
    *.tar.gz)
      check_gzip_header "$package" "$package"
      listing=$(gzip -d -c "$package" | tar_listing) || { fault "$package: cannot list it"; return; }
      check_tar "$package" name-order "$listing"
      ;;
    *.deb)
      listing=$(dpkg-deb --fsys-tarfile "$package" | tar_listing) ||
        { fault "$package: cannot list its data"; return; }
      check_tar "$package (data)" name-order "$listing"
      listing=$(dpkg-deb --ctrl-tarfile "$package" | tar_listing) ||
        { fault "$package: cannot list its control members"; return; }
      check_tar "$package (control)" \
        "./ ./md5sums ./control ./conffiles ./preinst ./postinst ./prerm ./postrm ./shlibs ./triggers" \
        "$listing"
      ;;
    *.zip) check_zip "$package" "$package" ;;
    *) fault "$package: not a .tar.gz, .deb or .zip" ;;
  esac
}

# The names a package lists, one a line, a folder's with its trailing /.
names_of() {
  case $1 in
    *.tar.gz) tar -t -z -f "$1" ;;
    *.deb) dpkg-deb --fsys-tarfile "$1" | tar -t -f - ;;
    *.zip) unzip -Z1 "$1" ;;
    *) echo "$1: not a .tar.gz, .deb or .zip" >&2; return 1 ;;
  esac
}

check_holds() {
  local only=0
  if [[ ${1:-} == --only ]]; then
    only=1
    shift
  fi
  (($# >= 1)) || usage
  local package=$1 name listing
  shift
  listing=$(names_of "$package") || { fault "$package: cannot list it"; return; }
  local -A listed=() wanted=()
  while IFS= read -r name; do
    [[ -n $name ]] && listed[${name%/}]=1
  done <<<"$listing"
  for name in "$@"; do
    wanted[$name]=1
    [[ -n ${listed[$name]:-} ]] || fault "$package lacks $name"
  done
  if ((only)); then
    while IFS= read -r name; do
      [[ -z $name || $name == */ || -n ${wanted[$name]:-} ]] ||
        fault "$package holds $name, which is not expected"
    done <<<"$listing"
  fi
}

(($# >= 1)) || usage
command=$1
shift
case $command in
  form)
    (($# >= 1)) || usage
    epoch=${SOURCE_DATE_EPOCH:-}
    [[ $epoch =~ ^[0-9]+$ ]] ||
      { echo "SOURCE_DATE_EPOCH is not a number of seconds ('$epoch'): no time to check against" >&2; exit 2; }
    for package in "$@"; do
      [[ -f $package ]] || { fault "$package: no such file"; continue; }
      check_form "$package"
    done
    ;;
  holds) check_holds "$@" ;;
  *) usage ;;
esac
((faults == 0)) || exit 1
