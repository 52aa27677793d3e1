#!/usr/bin/env bash
# install_tree_test.sh INSTALL_ROOT APPSTREAM_ID
# Checks what `cmake --install` put under INSTALL_ROOT/usr: every file the
# desktop needs, each icon a real PNG of its nominal size, and the binary.
set -euo pipefail
root=$1/usr
appstream_id=$2
status=0
fail() { echo "FAIL: $*"; status=1; }

# The icon's look at any size: clear corners, an opaque knob in the middle,
# and the orange backlight ring between the knob's bezel and the panel.
check_icon_look() {
  local image=$1 side=$2 corner centre ring
  corner=$(convert "$image" -format '%[fx:int(255*p{0,0}.a)]' info: 2>/dev/null || echo '?')
  [ "$corner" = 0 ] || fail "$image corner alpha is $corner, expected 0"
  centre=$(convert "$image" -format "%[fx:int(255*p{$((side / 2)),$((side / 2))}.a)]" info: 2>/dev/null || echo '?')
  [ "$centre" = 255 ] || fail "$image centre alpha is $centre, expected 255"
  if [ "$side" -ge 32 ]; then
    ring=$(convert "$image" -format "%[fx:int(255*p{$((side / 2)),$((side / 2 - (side * 36 + 99) / 100))}.r)] %[fx:int(255*p{$((side / 2)),$((side / 2 - (side * 36 + 99) / 100))}.b)]" info: 2>/dev/null || echo '0 255')
    read -r red blue <<<"$ring"
    [ $((red - blue)) -ge 90 ] || fail "$image ring pixel is red $red blue $blue, expected orange"
  fi
}

[ -x "$root/bin/quorvel" ] || fail "bin/quorvel missing or not executable"
head -c 4 "$root/bin/quorvel" | grep -q ELF ||
  fail "bin/quorvel is not an ELF program"

for size in 16 22 24 32 48 64 128 256; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/quorvel.png
  if [ ! -f "$icon" ]; then
    fail "$icon missing"
    continue
  fi
  read -r format width height < <(identify -format '%m %w %h\n' "$icon" 2>/dev/null | head -n 1) || true
  [ "${format:-}" = PNG ] && [ "${width:-}" = "$size" ] && [ "${height:-}" = "$size" ] ||
    fail "$icon is '${format:-?} ${width:-?}x${height:-?}', expected PNG ${size}x${size}"
  check_icon_look "$icon" "$size"
done

svg=$root/share/icons/hicolor/scalable/apps/quorvel.svg
if [ -f "$svg" ]; then
  xmllint --noout "$svg" 2>/dev/null || fail "$svg is not well-formed XML"
  grep -q '<svg xmlns="http://www.w3.org/2000/svg"' "$svg" || fail "$svg has no SVG root element"
  rendered=$(mktemp --suffix=.png)
  if rsvg-convert -w 128 -h 128 "$svg" -o "$rendered" 2>/dev/null; then
    check_icon_look "$rendered" 128
  else
    fail "$svg does not render"
  fi
  rm -f "$rendered"
else
  fail "$svg missing"
fi

desktop_entry=$root/share/applications/quorvel.desktop
[ -f "$desktop_entry" ] || fail "$desktop_entry missing"
metainfo=$root/share/metainfo/$appstream_id.metainfo.xml
[ -f "$metainfo" ] || fail "$metainfo missing"

screenshot=$root/share/quorvel/screenshot.png
read -r format width height < <(identify -format '%m %w %h\n' "$screenshot" 2>/dev/null | head -n 1) || true
# Both windows, one above the other: 400 wide, the main window's 200 plus the open panel's 396.
[ "${format:-}" = PNG ] && [ "${width:-}" = 400 ] && [ "${height:-}" = 596 ] ||
  fail "$screenshot is '${format:-?} ${width:-?}x${height:-?}', expected PNG 400x596"
# A real grab, not a blank picture: the skin has many distinct colours.
colours=$(identify -format '%k' "$screenshot" 2>/dev/null || echo 0)
[ "$colours" -gt 1000 ] || fail "$screenshot has only $colours colours"

exit $status
