#!/usr/bin/env bash
# The real player on a real X server ($DISPLAY, with a window manager), driven
# from outside: it restores the saved row, the close button writes "vor.pcs"
# back byte for byte, and the window manager's close leaves the file alone.
# Usage: settings_e2e_test.sh PLAYER_BINARY
set -uo pipefail
source "$(dirname "$0")/../../tests/lib/player_window.sh"
player=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Three short silent tracks; the engine decides by content, so real WAVs.
mkdir -p "$work/music"
for name in a.wav b.wav c.wav; do
  sox -n -r 44100 -c 2 -b 16 "$work/music/$name" trim 0 0.5
done
folder=$work/music/

# Key names in code page 1251: "Путь", "Позиция"; "Нет" is the default.
key_path=$'\xCF\xF3\xF2\xFC'
key_position=$'\xCF\xEE\xE7\xE8\xF6\xE8\xFF'

# Starts the player in $1, waits for its window, then closes it: "button"
# clicks CloseButton, "manager" asks the window manager to close it.
run_and_close() {
  local dir=$1 how=$2 pid window status
  (cd "$dir" && SDL_AUDIODRIVER=dummy exec "$player") &
  pid=$!
  window=$(wait_for_player_window "$pid")
  if [ -z "$window" ]; then
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    echo "no window"; return 1
  fi
  sleep 0.5
  if [ "$how" = button ]; then
    xdotool mousemove --window "$window" 385 8 click 1
  else
    wmctrl -ic "$window"
  fi
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -9 "$pid"; wait "$pid" 2>/dev/null
    echo "still running"; return 1
  fi
  wait "$pid"
  status=$?
  [ "$status" -eq 0 ] || { echo "exit code $status"; return 1; }
}

# 1. Saved row 1 is restored and written back; comments, groups and the keys
#    after the group survive in their written-back forms.
dir=$work/case1
mkdir -p "$dir"
printf '%s=%sb.wav\r\n%s =  $1\n;note\n[group]\nx=y\n' "$key_path" "$folder" "$key_position" >"$dir/vor.pcs"
expected=$(printf '%s = %sb.wav\r\n%s = 1\r\n; note\r\n[group]\r\nx = y\r\n' "$key_path" "$folder" "$key_position" | od -An -tx1)
run_and_close "$dir" button || fail "case 1: the player did not end cleanly"
actual=$(od -An -tx1 "$dir/vor.pcs")
[ "$actual" = "$expected" ] || fail "case 1: vor.pcs is not what the close button should write"

# 2. No settings file: the working directory is listed, row 0 is selected, and
#    the close button creates the file with an empty path.
dir=$work/music
run_and_close "$dir" button || fail "case 2: the player did not end cleanly"
expected=$(printf '%s = \r\n%s = 0\r\n' "$key_path" "$key_position" | od -An -tx1)
actual=$(od -An -tx1 "$dir/vor.pcs" 2>/dev/null)
[ "$actual" = "$expected" ] || fail "case 2: the new vor.pcs is not the two lines with row 0"
rm -f "$dir/vor.pcs"

# 3. A saved row past the end selects nothing, which is written as -1.
dir=$work/case3
mkdir -p "$dir"
printf '%s=%sa.wav\r\n%s=7\r\n' "$key_path" "$folder" "$key_position" >"$dir/vor.pcs"
run_and_close "$dir" button || fail "case 3: the player did not end cleanly"
expected=$(printf '%s = %sa.wav\r\n%s = -1\r\n' "$key_path" "$folder" "$key_position" | od -An -tx1)
actual=$(od -An -tx1 "$dir/vor.pcs")
[ "$actual" = "$expected" ] || fail "case 3: a row past the end should be saved as -1"

# 4. The window manager's close saves nothing: the file keeps its bytes, and
#    where there was none, none is created.
dir=$work/case4
mkdir -p "$dir"
printf '%s=%sc.wav\n%s=2\n' "$key_path" "$folder" "$key_position" >"$dir/vor.pcs"
before=$(od -An -tx1 "$dir/vor.pcs")
run_and_close "$dir" manager || fail "case 4: the player did not end cleanly"
[ "$(od -An -tx1 "$dir/vor.pcs")" = "$before" ] || fail "case 4: the manager's close changed vor.pcs"
dir=$work/case5
mkdir -p "$dir"
run_and_close "$dir" manager || fail "case 5: the player did not end cleanly"
[ ! -e "$dir/vor.pcs" ] || fail "case 5: the manager's close created vor.pcs"

if [ "$failures" -eq 0 ]; then
  echo "settings end to end: all cases passed"
fi
[ "$failures" -eq 0 ]
