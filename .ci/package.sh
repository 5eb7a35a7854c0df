#!/usr/bin/env bash
# The Linux packages: builds the .tar.gz and the .deb from the native build
# (cpack --preset default), shows and checks what each holds, and runs the
# packed quilmar, unpacked into an empty folder, on the packed demo files.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

# dpkg-shlibdeps (dpkg-dev) computes the .deb's dependencies; CPack finds the
# binaries to give it with file.
bash .ci/install-packages.sh cmake ninja-build g++ libgtest-dev libgmock-dev dpkg-dev file

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

# The dependencies are computed: the C and C++ runtimes with their versions.
depends="$(dpkg-deb -f "$deb" Depends)"
[[ "$depends" == *"libc6 (>="* ]] || fail "Depends lacks libc6: '$depends'"
[[ "$depends" == *"libstdc++6 (>="* ]] || fail "Depends lacks libstdc++6: '$depends'"

# What both packages hold, below /usr in the .deb and below the archive's
# top folder in the .tar.gz.
want=(bin/quilmar bin/zktdump lib/libzkt.so lib/libzkttrace.so include/zkt_api.h
      share/doc/quilmar/demo/quilmar.ini share/doc/quilmar/demo/zkt.ini)
for page in man/*.1 man/*.5; do
  want+=("share/man/man${page##*.}/${page#man/}")
done
deb_list="$(dpkg-deb -c "$deb" | awk '{print $NF}')"
tgz_list="$(tar tzf "$tgz")"
top="$(basename "$tgz" .tar.gz)"
for file in "${want[@]}"; do
  grep -qx "./usr/$file" <<<"$deb_list" || fail "$deb lacks /usr/$file"
  grep -qx "$top/$file" <<<"$tgz_list" || fail "$tgz lacks $top/$file"
done

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
echo "packages: $deb $tgz"
