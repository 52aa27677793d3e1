#!/usr/bin/env bash
# deb_install_test.sh DEB_DIR
# Installs the package built by the DebianPackage test with apt, as a user
# would, checks what landed on the system and that the installed program opens
# its window (on the private display :77), then removes the package again.
# It changes the system, so it runs only as root with QUORVEL_TEST_INSTALL_DEB=1
# (CI's throwaway machine); otherwise it reports itself skipped (exit 77).
set -uo pipefail
source "$(dirname "$0")/../../tests/lib/player_window.sh"
deb_dir=$1
if [ "${QUORVEL_TEST_INSTALL_DEB:-0}" != 1 ] || [ "$(id -u)" != 0 ]; then
  echo "skipped: needs root and QUORVEL_TEST_INSTALL_DEB=1"
  exit 77
fi
if dpkg-query -W -f='${Status}' quorvel 2>/dev/null | grep -q 'install ok installed'; then
  echo "skipped: a quorvel package is installed already; not touching it"
  exit 77
fi
shopt -s nullglob
packages=("$deb_dir"/quorvel_*.deb)
[ ${#packages[@]} -eq 1 ] || { echo "FAIL: expected one package in $deb_dir"; exit 1; }
package=$(realpath "${packages[0]}")

status=0
fail() { echo "FAIL: $*"; status=1; }
work=$(mktemp -d)
player_pid=
cleanup() {
  [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -q quorvel >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$package" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; echo "FAIL: apt could not install $package"; exit 1; }
dpkg-query -W -f='${Status}' quorvel | grep -q 'install ok installed' || fail "quorvel is not installed"
[ "$(command -v quorvel)" = /usr/bin/quorvel ] || fail "quorvel is not on PATH as /usr/bin/quorvel"
desktop-file-validate /usr/share/applications/quorvel.desktop || fail "installed desktop entry does not validate"
[ -f /usr/share/icons/hicolor/48x48/apps/quorvel.png ] || fail "no 48x48 icon in the hicolor theme"
# The soundfont alternative that MIDI playback reads must exist once the package's dependencies are in.
[ -f /usr/share/sounds/sf2/default-GM.sf2 ] || fail "no /usr/share/sounds/sf2/default-GM.sf2"

# The installed program, started as the menu would start it, opens its front panel.
cd "$work" && SDL_AUDIODRIVER=dummy quorvel >/dev/null 2>&1 &
player_pid=$!
window=$(wait_for_player_window "$player_pid")
[ -n "$window" ] || fail "the installed quorvel showed no window"
kill "$player_pid" 2>/dev/null
wait "$player_pid" 2>/dev/null
player_pid=

DEBIAN_FRONTEND=noninteractive apt-get purge -y -q quorvel >/dev/null 2>&1 || fail "apt could not remove quorvel"
[ ! -e /usr/bin/quorvel ] || fail "/usr/bin/quorvel is left after removal"
exit $status
