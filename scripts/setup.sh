#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the player needs.
# Quick when everything is already there: apt is only called for what is missing.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build pkg-config clang libclang-rt-14-dev libfuzzer-14-dev
  # libraries
  qt6-base-dev libpng-dev zlib1g-dev libmpg123-dev libsndfile1-dev libfluidsynth-dev libsdl2-dev libsamplerate0-dev
  libgtest-dev libxcb1-dev
  # General MIDI soundfont (registers /usr/share/sounds/sf2/default-GM.sf2) and the LCD face
  timgm6mb-soundfont fonts-jura fonts-dejavu-core fonts-urw-base35
  # demo tracks, listening and measuring
  lame mpg123 sox
  # a real X server, window manager and pointer for the GUI tests
  xvfb openbox xdotool wmctrl x11-utils imagemagick
  # reading screenshots and recorded sound in the end-to-end scenarios
  python3
  # building the Debian package; checking the installed desktop entry, AppStream metainfo and icons
  dpkg-dev desktop-file-utils appstream libxml2-utils librsvg2-bin
  # a private session bus for the media-control (MPRIS2) tests
  dbus-daemon dbus-bin dbus-session-bus-common
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
