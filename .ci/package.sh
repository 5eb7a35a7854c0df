#!/usr/bin/env bash
# The Linux packages: builds the .tar.gz and the .deb from the native build
# (cpack --preset default), shows and checks what each holds, and runs the
# packed quilmar, unpacked into an empty folder, on the packed demo files.
# Then the .deb as Debian takes it: lintian, installed with dpkg -i, the
# installed programs and pages used, and removed without a trace.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

# dpkg-shlibdeps (dpkg-dev) computes the .deb's dependencies; gzip packs
# the man pages and the changelog; lintian checks the .deb; man opens the
# installed pages.
bash .ci/install-packages.sh cmake ninja-build g++ libgtest-dev libgmock-dev dpkg-dev gzip \
  lintian man-db

# The packages take their times from the last commit, as Debian's build
# tools do, so that every build of one commit gives the same bytes.
if [[ -z ${SOURCE_DATE_EPOCH:-} ]] && SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH
fi

cmake --preset default >/dev/null
cmake --build --preset default
rm -f build/default/quilmar-*.tar.gz* build/default/quilmar_*.deb*
cpack --preset default

debs=(build/default/quilmar_*.deb)
tgzs=(build/default/quilmar-*.tar.gz)
((${#debs[@]} == 1 && ${#tgzs[@]} == 1)) || {
  echo "expected one .deb and one .tar.gz, found: ${debs[*]} ${tgzs[*]}"
  exit 1
}
deb="${debs[0]}"
tgz="${tgzs[0]}"

echo "---- dpkg-deb -I $deb"
dpkg-deb -I "$deb"
echo "---- dpkg-deb -c $deb"
dpkg-deb -c "$deb"
echo "---- tar tzf $tgz"
tar tzf "$tgz"

fail() { echo "package check: $*"; exit 1; }

# The canonical form, whatever the builder's umask, time zone and locale:
# entries in byte order, each once; folders and programs 755, every other
# file 644, the shared libraries among them, so that both packages hold a
# file at one mode; the .deb's ar members 100644; owned by 0/0, every time
# SOURCE_DATE_EPOCH.
bash packaging/check-package.sh form "$deb" "$tgz" || fail "$deb or $tgz is not in the canonical form"
echo "$deb, $tgz: in byte order, folders and programs 755, other files 644, owned by root, of SOURCE_DATE_EPOCH"

# The dependencies are computed: the C and C++ runtimes with their versions.
depends="$(dpkg-deb -f "$deb" Depends)"
[[ "$depends" == *"libc6 (>="* ]] || fail "Depends lacks libc6: '$depends'"
[[ "$depends" == *"libstdc++6 (>="* ]] || fail "Depends lacks libstdc++6: '$depends'"

# What both packages hold, below /usr in the .deb and below the archive's
# top folder in the .tar.gz. The libraries lie in the package's own folder,
# never in the library folder itself, where the simulated libzkt.so would
# stand in front of the maker's library for every program.
want=(bin/quilmar bin/zktdump lib/quilmar/libzkt.so lib/quilmar/libzkttrace.so
      include/zkt_api.h "lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/pkgconfig/zkt.pc"
      share/doc/quilmar/demo/quilmar.ini share/doc/quilmar/demo/zkt.ini
      share/doc/quilmar/copyright share/doc/quilmar/changelog.gz)
for page in man/*.1 man/*.3 man/*.5; do
  want+=("share/man/man${page##*.}/${page#man/}.gz")
done
top="$(basename "$tgz" .tar.gz)"
bash packaging/check-package.sh holds "$deb" "${want[@]/#/./usr/}" || fail "$deb lacks what is named above"
bash packaging/check-package.sh holds "$tgz" "${want[@]/#/$top/}" || fail "$tgz lacks what is named above"
deb_list="$(dpkg-deb -c "$deb" | awk '{print $NF}')"
tgz_list="$(tar tzf "$tgz")"
# The licence: at the top of the .tar.gz; in the .deb only as its copyright.
bash packaging/check-package.sh holds "$tgz" "$top/LICENSE" || fail "$tgz lacks $top/LICENSE"
if grep -E '/lib/[^/]+\.so' <<<"$deb_list"$'\n'"$tgz_list"; then
  fail "a library lies in the library folder itself"
fi

# The packed program runs from where it is unpacked, on the packed demo.
work="$root/build/default/package-check"
rm -rf "$work"
mkdir -p "$work/deb" "$work/tgz"
dpkg-deb -x "$deb" "$work/deb"
tar xzf "$tgz" -C "$work/tgz"
for tree in "$work/deb/usr" "$work/tgz/$top"; do
  cmake -DQUILMAR="$tree/bin/quilmar" \
        -DCASE_DIR="$tree/share/doc/quilmar/demo" \
        -DEXPECTED_DIR="$root/tests/e2e/demo" \
        -DWORK_DIR="$work/run-$(basename "$(dirname "$tree")")" \
        -P tests/e2e/run_case.cmake
  echo "demo from $tree: as expected"
done

# ---- The .deb as Debian takes it.
# lintian: no error and no warning. An override, should one ever be needed,
# goes into the package with its reason written beside it.
echo "---- lintian $deb"
lintian --fail-on error,warning --color never "$deb" || fail "lintian finds fault with $deb"
echo "lintian: no error, no warning"

# Installed with dpkg -i, used, and removed again: the machine is left as it
# was found, also when a check fails on the way (the trap). A quilmar that
# is installed already is not ours to replace.
if dpkg-query -W -f='${Status}' quilmar 2>/dev/null | grep -q ' installed$'; then
  fail "quilmar is installed on this machine already; the check installs and removes its own"
fi
mapfile -t deb_paths < <(dpkg-deb -c "$deb" | awk '{print $NF}' | sed -e 's|^\.||' -e 's|/$||' | grep .)
here_before=()
for path in "${deb_paths[@]}"; do
  if [[ -d "$path" ]]; then
    here_before+=("$path")
  elif [[ -e "$path" || -L "$path" ]]; then
    fail "$path exists already; installing $deb would replace it"
  fi
done
remove_package() { dpkg --purge quilmar >/dev/null 2>&1 || true; }
trap remove_package EXIT
echo "---- dpkg -i $deb"
dpkg -i "$deb"
echo "---- dpkg -L quilmar"
dpkg -L quilmar

# The installed programs find the simulator in the private folder, and the
# installed quilmar gives the demo's expected output on the installed demo,
# alone and with the proxy in front (LD_PRELOAD, as the README shows).
for program in /usr/bin/quilmar /usr/bin/zktdump; do
  loaded="$(ldd "$program" | awk '$1 == "libzkt.so" {print $3}')"
  [[ -n "$loaded" && "$(realpath "$loaded")" == /usr/lib/quilmar/libzkt.so ]] ||
    fail "the installed $program loads '$loaded', not /usr/lib/quilmar/libzkt.so"
done
cmake -DQUILMAR=/usr/bin/quilmar \
      -DCASE_DIR=/usr/share/doc/quilmar/demo \
      -DEXPECTED_DIR="$root/tests/e2e/demo" \
      -DWORK_DIR="$work/run-installed" \
      -P tests/e2e/run_case.cmake
cmake -DQUILMAR=/usr/bin/quilmar \
      -DCASE_DIR=/usr/share/doc/quilmar/demo \
      -DEXPECTED_DIR="$root/tests/e2e/demo" \
      -DPROXY=/usr/lib/quilmar/libzkttrace.so \
      -DWORK_DIR="$work/run-installed-traced" \
      -P tests/e2e/run_case.cmake
echo "demo from the installed package, alone and traced: as expected"

# Each page opens with man, from where the package put it, without a warning.
for page in man/*.1 man/*.3 man/*.5; do
  name="${page#man/}"
  section="${name##*.}"
  name="${name%.*}"
  found="$(man -w "$section" "$name")"
  [[ "$found" == "/usr/share/man/man$section/$name.$section.gz" ]] ||
    fail "man $section $name opens '$found'"
  warnings="$(MANWIDTH=80 man --warnings "$section" "$name" 2>&1 >/dev/null)"
  [[ -z "$warnings" ]] || fail "man $section $name warns:"$'\n'"$warnings"
  echo "man $section $name: $found"
done

echo "---- dpkg --purge quilmar"
dpkg --purge quilmar
trap - EXIT
if dpkg-query -W -f='${Status}' quilmar 2>/dev/null | grep -q ' installed$'; then
  fail "quilmar is still installed after dpkg --purge"
fi
for path in "${deb_paths[@]}"; do
  [[ -e "$path" || -L "$path" ]] || continue
  [[ " ${here_before[*]} " == *" $path "* ]] || fail "$path is left after dpkg --purge quilmar"
done
echo "removed: nothing of the package is left"
echo "packages: $deb $tgz"
