#!/usr/bin/env bash
# Checks built packages (.tar.gz, .deb, .zip) one by one, each by itself,
# without a second build to compare it with. .ci/package.sh, .ci/windows.sh
# and .ci/reproducible.sh use it; tests/packaging pins what it refuses.
#
#   check-package.sh form PACKAGE...
#     Each package is in the canonical form cmake/QuilmarRepack.cmake and
#     cpack give it, whatever the packer's umask, time zone and locale:
#     - its entries in byte order of their names (README.txt before
#       quilmar.exe), each once; the .deb's control members in the fixed
#       order cpack writes them (md5sums, control, then the scripts);
#     - folders 755; programs 755: ELF files other than shared libraries,
#       scripts (#!), .exe and .dll; every other file 644, shared
#       libraries (.so) among them, as Debian wants them (lintian:
#       shared-library-is-executable). A file's mode follows from what it
#       is, so the .tar.gz and the .deb hold each file they share at the
#       same mode. Links stay links;
#     - the .deb's ar members 100644, as dpkg-deb writes them;
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
# error, SOURCE_DATE_EPOCH unset or not a number among them. Needs GNU tar,
# gzip, od, dd, dpkg-deb for a .deb and unzip for a .zip.
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
# before and with all before (seen, which the caller empties for each
# listing); check_mode gets the mode as ls spells it and the entry's path
# in the unpacked tree, whose content tells which mode a file must have.
previous_name=
first_entry=1
declare -A seen=()
check_order() {
  local what=$1 name=$2
  if [[ -n ${seen[$name]:-} ]]; then
    fault "$what: '$name' is in it twice"
  elif ((first_entry == 0)) && ! [[ $previous_name < $name ]]; then
    fault "$what: entries not in byte order: '$previous_name' comes before '$name'"
  fi
  seen[$name]=1
  previous_name=$name
  first_entry=0
}

# The mode a file must have, 755 or 644, and what it is, from its name and
# its first bytes. ELF shared libraries are loaded, never run: Debian wants
# them not executable. A DLL is run in the sense that Windows maps it as
# code, and packs with its programs.
file_kind() {
  local name=$1 path=$2 magic
  case ${name,,} in
    *.exe) echo "755 a program (.exe)"; return ;;
    *.dll) echo "755 a library (.dll)"; return ;;
  esac
  magic=$(od -A n -t x1 -N 4 "$path" 2>/dev/null | tr -d ' \n') || magic=
  case $magic in
    7f454c46)
      case ${name##*/} in
        *.so | *.so.*) echo "644 a shared library (ELF)" ;;
        *) echo "755 a program (ELF)" ;;
      esac
      ;;
    2321*) echo "755 a script" ;;
    *) echo "644 a file that is no program" ;;
  esac
}

check_mode() {
  local what=$1 name=$2 mode=$3 path=$4 want kind
  case $mode in
    d*) [[ $mode == drwxr-xr-x ]] || fault "$what: folder '$name' has mode $mode, not drwxr-xr-x (755)" ;;
    -*)
      read -r want kind < <(file_kind "$name" "$path")
      if [[ $want == 755 ]]; then
        [[ $mode == -rwxr-xr-x ]] || fault "$what: file '$name' has mode $mode, not -rwxr-xr-x (755) as $kind"
      else
        [[ $mode == -rw-r--r-- ]] || fault "$what: file '$name' has mode $mode, not -rw-r--r-- (644) as $kind"
      fi
      ;;
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
# each at most once; tree is the folder the archive is unpacked in.
check_tar() {
  local what=$1 order=$2 listing=$3 tree=$4
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
  seen=()
  while read -r mode owner _ day clock name; do
    # A link's listing names its target after the name; a hard link (h),
    # which tar writes for a file it packs a second time, is checked as
    # the file it is.
    case $mode in
      l*) name=${name% -> *} ;;
      h*) name=${name% link to *} mode=-${mode#h} ;;
    esac
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
    check_mode "$what" "$name" "$mode" "$tree/$name"
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
  local what=$1 file=$2 tree=$3 listing
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
  seen=()
  while read -r mode _ host _ _ _ stamp name; do
    check_order "$what" "${name%/}"
    if [[ $host != unx ]]; then
      fault "$what: '$name' has no Unix modes (packed on $host)"
    else
      check_mode "$what" "$name" "$mode" "$tree/$name"
    fi
    [[ $stamp == "$expected_time" ]] ||
      fault "$what: '$name' is of $stamp, not of $expected_time (SOURCE_DATE_EPOCH=$epoch rounded down to an even second)"
  done <<<"$listing"
}

# The ar container of a .deb: "!<arch>\n", then per member a 60-byte text
# header (its name at bytes 0 to 15, its mode in octal at 40 to 47, its
# size at 48 to 57) and the member, padded to an even length.
check_ar_members() {
  local package=$1 size offset=8 header name mode member_size
  size=$(stat -c %s "$package")
  [[ $(head -c 8 "$package") == '!<arch>' ]] || { fault "$package: not an ar archive"; return; }
  while ((offset < size)); do
    header=$(dd if="$package" iflag=skip_bytes,count_bytes skip="$offset" count=60 status=none)
    name=${header:0:16}
    name=${name%% *}
    mode=${header:40:8}
    mode=${mode%% *}
    member_size=${header:48:10}
    member_size=${member_size%% *}
    if ! [[ $member_size =~ ^[0-9]+$ ]]; then
      fault "$package: no ar member header at byte $offset"
      return
    fi
    [[ $mode == 100644 ]] ||
      fault "$package: ar member '${name%/}' has mode $mode, not 100644 (as dpkg-deb writes it)"
    offset=$((offset + 60 + member_size + member_size % 2))
  done
}

# Each package is unpacked into a folder of its own below unpacked, so that
# its files' first bytes tell what each is.
check_form() {
  local package=$1 listing tree=$unpacked/$2
  mkdir -p "$tree/data" "$tree/control"
  case $package in
    *.tar.gz)
      check_gzip_header "$package" "$package"
      listing=$(gzip -d -c "$package" | tar_listing) || { fault "$package: cannot list it"; return; }
      tar -x -z -f "$package" -C "$tree/data" || { fault "$package: cannot unpack it"; return; }
      check_tar "$package" name-order "$listing" "$tree/data"
      ;;
    *.deb)
      check_ar_members "$package"
      listing=$(dpkg-deb --fsys-tarfile "$package" | tar_listing) ||
        { fault "$package: cannot list its data"; return; }
      dpkg-deb --fsys-tarfile "$package" | tar -x -f - -C "$tree/data" ||
        { fault "$package: cannot unpack its data"; return; }
      check_tar "$package (data)" name-order "$listing" "$tree/data"
      listing=$(dpkg-deb --ctrl-tarfile "$package" | tar_listing) ||
        { fault "$package: cannot list its control members"; return; }
      dpkg-deb --ctrl-tarfile "$package" | tar -x -f - -C "$tree/control" ||
        { fault "$package: cannot unpack its control members"; return; }
      check_tar "$package (control)" \
        "./ ./md5sums ./control ./conffiles ./preinst ./postinst ./prerm ./postrm ./shlibs ./triggers" \
        "$listing" "$tree/control"
      ;;
    *.zip)
      unzip -q "$package" -d "$tree/data" || { fault "$package: cannot unpack it"; return; }
      check_zip "$package" "$package" "$tree/data"
      ;;
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
    [[ -n ${SOURCE_DATE_EPOCH+set} ]] ||
      { echo "SOURCE_DATE_EPOCH is not set: no time to check against" >&2; exit 2; }
    epoch=$SOURCE_DATE_EPOCH
    [[ $epoch =~ ^[0-9]+$ ]] ||
      { echo "SOURCE_DATE_EPOCH is not a number of seconds ('$epoch'): no time to check against" >&2; exit 2; }
    unpacked=$(mktemp -d "${TMPDIR:-/tmp}/check-package.XXXXXX")
    trap 'rm -rf "$unpacked"' EXIT
    count=0
    for package in "$@"; do
      [[ -f $package ]] || { fault "$package: no such file"; continue; }
      count=$((count + 1))
      check_form "$package" "$count"
    done
    ;;
  holds) check_holds "$@" ;;
  *) usage ;;
esac
((faults == 0)) || exit 1
