#!/usr/bin/env bash
# hidpi_drag_test.sh PLAYER_BINARY, run on a bare X display (no window manager)
# At QT_SCALE_FACTOR=2 the real player's MainWindow is 800 x 400 device pixels,
# and dragged by its skin it follows the pointer pixel for pixel.
set -uo pipefail
source "$(dirname "$0")/../../tests/lib/player_window.sh"
player=$1
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT

cd "$work" && SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 "$player" &
pid=$!
window=$(wait_for_player_window "$pid")
[ -n "$window" ] || { echo "FAIL: no window"; exit 1; }
sleep 0.5

geometry() { xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' '; }
read -r x y width height < <(geometry | sed -E 's/X=([0-9-]+) Y=([0-9-]+) WIDTH=([0-9]+) HEIGHT=([0-9]+) /\1 \2 \3 \4/')
[ "$width $height" = "800 400" ] || { echo "FAIL: MainWindow is ${width}x${height} device pixels, expected 800x400"; exit 1; }

# (250, 185) of MainWindow is bare skin; at scale 2 it is device pixel (500, 370).
xdotool mousemove --window "$window" 500 370 mousedown 1
# The drag anchors where the pointer is when the move starts: let it start before moving.
sleep 0.5
for _ in 1 2 3 4 5 6 7 8 9 10; do
  xdotool mousemove_relative -- 10 6
  sleep 0.05
done
xdotool mouseup 1
sleep 0.5
read -r after_x after_y _ < <(geometry | sed -E 's/X=([0-9-]+) Y=([0-9-]+) .*/\1 \2/')
if [ "$after_x $after_y" != "$((x + 100)) $((y + 60))" ]; then
  echo "FAIL: window at ($after_x, $after_y), expected ($((x + 100)), $((y + 60))), was ($x, $y)"
  exit 1
fi
echo "drag at scale 2: passed"
