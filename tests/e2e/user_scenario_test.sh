#!/usr/bin/env bash
# A user's session with the player, driven from outside with the real pointer (xdotool) and
# judged only by what shows on the screen, what the sound output receives (SDL's disk driver)
# and the bytes of "vor.pcs" that the close button leaves behind.
#
# Usage: user_scenario_test.sh QUORVEL_BINARY SKIN_ART_DIR
#   Needs DISPLAY with a window manager running (CI: Xvfb and openbox). Without a display it
#   exits 77, which CTest reports as skipped. Leaves nothing behind except on failure, when the
#   temp folder with the screenshots and the sound is kept and named.
set -euo pipefail

scenario_name="user scenario"
# shellcheck source=tests/e2e/scenario_lib.sh
source "$(dirname "$0")/scenario_lib.sh"

# --- the tracks ----------------------------------------------------------------------------
# Each row has its own pitch, so the sound tells which row plays; the second row changes pitch
# halfway, so the sound also tells where a seek landed. Rows follow the folder's listing order.
say "make the tracks"
mkdir -p "$tracks"
touch "$tracks/first.wav" "$tracks/second.wav" "$tracks/third.wav" "$tracks/notes.txt"
mapfile -t rows < <("$python" -c 'import os, sys
for name in os.listdir(sys.argv[1]):
    if name[-4:].lower() in (".wav", ".mp3", ".mid"): print(name)' "$tracks")
[ "${#rows[@]}" -eq 3 ] || fail "expected three listed tracks, have ${rows[*]}"
tone() { sox -q -n -r 44100 -c 2 -b 16 "$1" synth "$2" sine "$3" vol 0.5; }
tone "$tracks/${rows[0]}" 4 300
tone "$work/low-half.wav" 8 500
tone "$work/high-half.wav" 8 900
sox -q "$work/low-half.wav" "$work/high-half.wav" "$tracks/${rows[1]}"
tone "$tracks/${rows[2]}" 6 1300
level_at_7=$(awk 'BEGIN{print 0.5 / sqrt(2) * 0.7}')

# --- first run -----------------------------------------------------------------------------
say "start with no settings file"
start_player
echo "   MainWindow at $main_x,$main_y"
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
if [ "$main_x" -ne $(((screen_w - 400) / 2)) ] || [ "$main_y" -ne $(((screen_h - 200) / 2)) ]; then
  fail "MainWindow not centred: $main_x,$main_y on $screen_w x $screen_h"
fi
expect 10 "$(main_shown)" "$(on_main shows MeterFaceDark^MeterFaceLit 10 10 0:0:105:30)" \
  "$(lamp lacks DigitLit5 316 38)" "$(lamp lacks LabelMp3Lit 25 105)"

say "power on"
at 343 6 click 1
expect 5 "$(on_main shows MeterFaceLit^MeterFaceDark 10 10 0:0:105:30)" "$(on_main shows MeterFaceLit^MeterFaceDark 120 10 0:0:105:30)" \
  "$(lamp shows DigitLit5 316 38)" "$(on_main shows KnobImage5^KnobImage7 284 67)"

say "volume 7"
at 377 71 click 1
expect 5 "$(lamp shows DigitLit7 372 67)" "$(lamp lacks DigitLit5 316 38)" \
  "$(on_main shows KnobImage7^KnobImage5 284 67)" "$(on_main lacks KnobImage5^KnobImage7 284 67)"

say "OPEN opens the drawer"
at 144 88 click 1
expect 5 "$(lamp shows LabelOpenLit 127 105)" panel-open
expect_selected_row 0 3
echo "   row height $row_height"

say "double-click the second row"
at_panel 200 $((list_top + row_height + row_height / 2)) click --repeat 2 --delay 60 1
mark=$(sound_size)
expect 5 "$(lamp shows LabelMp3Lit 25 105)"
expect_selected_row 1 3
expect_tone "$mark" 500 "$level_at_7"

say "pause"
at 197 88 click 1
mark=$(sound_size)
expect 5 "$(lamp shows LabelPauseLit 178 105)" "$(lamp lacks LabelMp3Lit 25 105)"
expect_silence "$mark"

say "resume"
at 197 88 click 1
mark=$(sound_size)
expect 5 "$(lamp lacks LabelPauseLit 178 105)" "$(lamp shows LabelMp3Lit 25 105)"
expect_tone "$mark" 500 "$level_at_7"

say "seek at the bar's middle"
at_panel 200 68 click 1
mark=$(sound_size)
bar_y=$((main_y + 204 + 68))
expect 3 "colour:$((main_x + 30 + 160)):$bar_y:E76411" "colour:$((main_x + 30 + 300)):$bar_y:191919"
expect_tone "$mark" 900 "$level_at_7"

say "advance to the next row"
expect_selected_row 2 12
mark=$(sound_size)
expect_tone "$mark" 1300 "$level_at_7"

say "drag MainWindow; the drawer follows"
at 60 150 mousedown 1
for offset in 10 30 60 90 120 150; do
  pointer_to $((main_x + 60 + offset)) $((main_y + 150 - offset * 2 / 3))
  sleep 0.05
done
xdotool mouseup 1
old_x=$main_x old_y=$main_y deadline=$((SECONDS + 5))
until eval "$(xdotool getwindowgeometry --shell "$main_window")"; [ "$X" -eq $((old_x + 150)) ] && [ "$Y" -eq $((old_y - 100)) ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "MainWindow did not follow the pointer: it stands at $X,$Y"
  sleep 0.1
done
main_x=$X main_y=$Y
echo "   MainWindow moved from $old_x,$old_y to $main_x,$main_y"
expect 5 "$(main_shown)" panel-open

say "minimise and restore"
at 360 4 click 1
expect 5 "$(on_main lacks MainBackground 0 0 230:150:170:50)" "$(panel_gone)"
xdotool windowactivate "$main_window"
expect 5 "$(main_shown)" panel-open "$(lamp shows DigitLit7 372 67)"

say "right click closes the drawer"
at_panel 200 250 click 3
expect 5 "$(panel_gone)" "$(lamp lacks LabelOpenLit 127 105)" "$(lamp shows LabelMp3Lit 25 105)"

say "power off"
at 343 6 click 1
mark=$(sound_size)
expect 5 "$(on_main shows MeterFaceDark^MeterFaceLit 10 10 0:0:105:30)" "$(lamp lacks DigitLit7 372 67)" \
  "$(on_main shows KnobImage7^KnobImage5 284 67)" "$(lamp lacks LabelMp3Lit 25 105)"
expect_silence "$mark"

say "close with the close button"
at 380 5 click 1
wait_player_exit
settings=$(od -An -c "$tracks/vor.pcs" | tr -s ' ')
printf '\xcf\xf3\xf2\xfc = \r\n\xcf\xee\xe7\xe8\xf6\xe8\xff = 2\r\n' >"$work/expected.pcs"
cmp -s "$work/expected.pcs" "$tracks/vor.pcs" || fail "vor.pcs holds:$settings"

# --- second run ----------------------------------------------------------------------------
say "start again: the row is restored"
start_player
expect 10 "$(main_shown)"
at 343 6 click 1
expect 5 "$(lamp shows DigitLit5 316 38)"
at 144 88 click 1
expect 5 "$(lamp shows LabelOpenLit 127 105)" panel-open
expect_selected_row 2 3
at 380 5 click 1
wait_player_exit
cmp -s "$work/expected.pcs" "$tracks/vor.pcs" || fail "the second close changed vor.pcs"

step=finished
echo "user scenario: passed"
