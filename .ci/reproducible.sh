#!/usr/bin/env bash
# Reproducible packages: builds the packages of the current commit twice,
# from two clones in two folders of different path lengths, one after the
# other, as two builders with different shells would: under the umasks 022
# and 077, in the time zones UTC and one fourteen hours from it, in the
# locales C.UTF-8 and C; with SOURCE_DATE_EPOCH set to the commit's time.
# It compares every package file byte for byte. On a difference it shows
# which package, which file in it and where (diffoscope where it is
# installed, cmp otherwise). It also checks what one build cannot show
# against the other, with packaging/check-package.sh on the first build's
# packages: entries in byte order, folders and programs 755 and other files
# 644, owned by root, every time the commit's time.
#
# Uncommitted changes are not built: the clones hold HEAD only.
# KEEP=1 keeps the two clones; they are kept anyway when the check fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

bash .ci/install-packages.sh cmake ninja-build g++ dpkg-dev file g++-mingw-w64-i686 wine \
  zip unzip tzdata

commit=$(git rev-parse HEAD)
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH
printf -- '-- commit %s, SOURCE_DATE_EPOCH=%s (%s)\n' "$commit" "$SOURCE_DATE_EPOCH" \
  "$(date -u -d "@$SOURCE_DATE_EPOCH" '+%F %T UTC')"

base=$(mktemp -d "${TMPDIR:-/tmp}/quilmar-repro.XXXXXX")
one="$base/one"
two="$base/the-second-clone"
finish() {
  if [[ ${ok:-0} == 1 && ${KEEP:-0} != 1 ]]; then
    rm -rf "$base"
  else
    echo "the clones are kept in $base"
  fi
}
trap finish EXIT

fail() { echo "reproducible: $*" >&2; exit 1; }

# A zone far from UTC; without its tzdata file the C library would take the
# name for UTC, and the two builds would not differ in their zone at all.
far_zone=Pacific/Kiritimati
[[ $(TZ=$far_zone date +%z) == +1400 ]] || fail "no time zone $far_zone here (tzdata)"

# The native packages (.tar.gz, .deb) and the 32-bit Windows zip, without
# the tests, which no package holds.
build_packages() {
  local src=$1 mask=$2 zone=$3 locale=$4
  git init -q "$src"
  git -C "$src" fetch -q --depth=1 "file://$root" "$commit"
  git -C "$src" checkout -q --detach FETCH_HEAD
  (
    cd "$src"
    umask "$mask"
    export TZ=$zone LC_ALL=$locale
    for preset in default windows-x86; do
      cmake --preset "$preset" -DQUILMAR_BUILD_TESTS=OFF >/dev/null
      cmake --build --preset "$preset" -j2 >/dev/null
      cpack --preset "$preset" >/dev/null
    done
  )
}

# The package files a build made, relative to its clone, one a line.
packages_of() {
  (cd "$1" && find build/default build/windows-x86 -maxdepth 1 -type f -name 'quilmar[-_]*' |
    LC_ALL=C sort)
}

start=$SECONDS
build_packages "$one" 022 UTC0 C.UTF-8
printf -- '-- built in %s (%ds), umask 022, TZ=UTC0, LC_ALL=C.UTF-8\n' "$one" $((SECONDS - start))
start=$SECONDS
build_packages "$two" 077 "$far_zone" C
printf -- '-- built in %s (%ds), umask 077, TZ=%s, LC_ALL=C\n' "$two" $((SECONDS - start)) "$far_zone"

list_one=$(packages_of "$one")
list_two=$(packages_of "$two")
[[ $list_one == "$list_two" ]] ||
  fail "the builds made different package files:"$'\n'"$list_one"$'\n'"--"$'\n'"$list_two"
for pattern in '*.deb' '*.tar.gz' '*.zip'; do
  grep -q "/quilmar[-_].*${pattern#\*}\$" <<<"$list_one" || fail "no $pattern among: $list_one"
done

# Unpacks a package into a folder: the .deb as its control and data trees.
unpack() {
  local package=$1 into=$2
  mkdir -p "$into"
  case $package in
    *.deb) dpkg-deb -R "$package" "$into" ;;
    *.tar.gz) tar -x -z -f "$package" -C "$into" ;;
    *.zip) unzip -q "$package" -d "$into" ;;
  esac
}

# Which files in two packages differ, and at which bytes.
show_difference() {
  local a=$1 b=$2
  if command -v diffoscope >/dev/null; then
    diffoscope "$a" "$b" | head -n 200 || true
    return
  fi
  echo "first differing bytes (offset, octal values):"
  cmp -l "$a" "$b" | head -n 10 || true
  case $a in
    *.deb | *.tar.gz | *.zip) ;;
    *) return ;;
  esac
  local inside="$base/inside"
  rm -rf "$inside"
  unpack "$a" "$inside/one"
  unpack "$b" "$inside/two"
  echo "files that differ inside:"
  diff -rq "$inside/one" "$inside/two" || true
  while read -r file; do
    [[ -f $inside/one/$file && -f $inside/two/$file ]] || continue
    cmp -s "$inside/one/$file" "$inside/two/$file" && continue
    echo "$file: first differing bytes (offset, octal values):"
    cmp -l "$inside/one/$file" "$inside/two/$file" | head -n 10 || true
  done < <(cd "$inside/one" && find . -type f | LC_ALL=C sort)
  case $a in
    *.zip) diff <(TZ=UTC0 zipinfo "$a" | tail -n +3) <(TZ=UTC0 zipinfo "$b" | tail -n +3) || true ;;
    *.tar.gz) diff <(tar -tvz --full-time -f "$a") <(tar -tvz --full-time -f "$b") || true ;;
    *.deb) diff <(dpkg-deb -c "$a") <(dpkg-deb -c "$b") || true ;;
  esac
}

differ=0
while read -r package; do
  if cmp -s "$one/$package" "$two/$package"; then
    printf -- '-- same bytes: %s\n' "$package"
  else
    printf -- '-- DIFFERENT: %s\n' "$package"
    show_difference "$one/$package" "$two/$package"
    differ=1
  fi
done <<<"$list_one"
((differ == 0)) || fail "two builds of $commit gave different packages"

# The form of one build's archives, which comparing two builds cannot show:
# both could be in the same wrong order or of the same wrong time. Checked
# in the far zone, which the check must not depend on.
mapfile -t archives < <(grep -E '\.(deb|tar\.gz|zip)$' <<<"$list_one")
(cd "$one" && TZ=$far_zone bash packaging/check-package.sh form "${archives[@]}") ||
  fail "the packages of $one are not in the canonical form"
printf -- '-- every archive: entries in byte order, folders and programs 755, other files 644, owned by root, of %s\n' \
  "$(date -u -d "@$SOURCE_DATE_EPOCH" '+%F %T UTC')"

echo "-- SHA-256 of the packages of both builds:"
while read -r package; do
  [[ $package == *.sha256 ]] && continue
  printf '%s  (first build)\n' "$(cd "$one" && sha256sum "$package")"
  printf '%s  (second build)\n' "$(cd "$two" && sha256sum "$package")"
done <<<"$list_one"
ok=1
