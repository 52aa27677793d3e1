#!/usr/bin/env bash
# deb_package_test.sh BUILD_DIR WORK_DIR APPSTREAM_ID
# Builds the Debian package with CPack from BUILD_DIR into WORK_DIR and checks
# its control fields and contents with dpkg-deb.
set -euo pipefail
build_dir=$1
work_dir=$2
appstream_id=$3
status=0
fail() { echo "FAIL: $*"; status=1; }

rm -rf "$work_dir"
mkdir -p "$work_dir"
cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work_dir" >"$work_dir/cpack.log" 2>&1 || {
  cat "$work_dir/cpack.log"
  exit 1
}
shopt -s nullglob
packages=("$work_dir"/quorvel_*.deb)
[ ${#packages[@]} -eq 1 ] || { echo "FAIL: expected one quorvel_*.deb, found ${#packages[@]}"; exit 1; }
package=${packages[0]}
echo "package: $package ($(stat -c %s "$package") bytes)"

control=$(dpkg-deb -f "$package")
echo "$control"
field() { dpkg-deb -f "$package" "$1"; }
[ "$(field Package)" = quorvel ] || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Version)" ] || fail "no Version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Section)" = sound ] || fail "Section is '$(field Section)'"
[ -n "$(field Description)" ] || fail "no Description"
# Continuation lines of the long description are plain text, one space in.
grep -q '^ ;' <<<"$control" && fail "the description has list separators in it"

# Depends: the shared libraries the binary links (found by dpkg-shlibdeps) plus the data it reads at run time.
depends=$(field Depends)
depended_names=$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libsdl2-2.0-0 libmpg123-0 libsndfile1 libfluidsynth3 \
              libpng16-16 libxcb1 libstdc++6 libc6 fonts-jura; do
  grep -Fxq "$needed" <<<"$depended_names" || fail "Depends lacks $needed: $depends"
done
grep -Fq "timgm6mb-soundfont | fluid-soundfont-gm" <<<"$depends" ||
  fail "Depends lacks the soundfont alternative: $depends"
# Versioned library dependencies come from dpkg-shlibdeps, not from a hand-written list.
grep -Eq 'libc6 \(>= [0-9]' <<<"$depends" || fail "libc6 has no version from dpkg-shlibdeps: $depends"

contents=$(dpkg-deb -c "$package" | awk '{print $6}')
for path in ./usr/bin/quorvel ./usr/share/applications/quorvel.desktop \
            "./usr/share/metainfo/$appstream_id.metainfo.xml" ./usr/share/quorvel/screenshot.png \
            ./usr/share/icons/hicolor/scalable/apps/quorvel.svg; do
  grep -Fxq "$path" <<<"$contents" || fail "$path not in the package"
done
for size in 16 22 24 32 48 64 128 256; do
  path=./usr/share/icons/hicolor/${size}x${size}/apps/quorvel.png
  grep -Fxq "$path" <<<"$contents" || fail "$path not in the package"
done
# Only what belongs to the player: no test programs, headers or static libraries.
unexpected=$(grep -Ev '^\./usr/(bin/quorvel|share/(applications|metainfo|quorvel|icons|doc)(/|$))|^\./(usr/(bin|share)?/?)?$' \
             <<<"$contents" || true)
[ -z "$unexpected" ] || fail "unexpected files in the package: $unexpected"
# Files belong to root, as installed packages should.
owners=$(dpkg-deb -c "$package" | awk '{print $2}' | sort -u)
[ "$owners" = root/root ] || fail "file owners are: $owners"

exit $status
