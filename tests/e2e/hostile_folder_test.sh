#!/usr/bin/env bash
# The player given a folder where most rows cannot play: empty, truncated and garbage files, a
# folder named like a track, and good tracks whose names hold a line feed or bytes that are not
# UTF-8. Started on the first row, it must play every good track once, in list order, pass over
# the rest, stay responsive, and at the close write "vor.pcs" with the last row selected.
#
# Usage: hostile_folder_test.sh QUORVEL_BINARY SKIN_ART_DIR   (like user_scenario_test.sh)
set -euo pipefail
scenario_name="hostile folder"
# shellcheck source=tests/e2e/scenario_lib.sh
source "$(dirname "$0")/scenario_lib.sh"

say "make the folder"
mkdir -p "$tracks"
tone() { sox -q -n -r 44100 -c 2 -b 16 "$1" synth "$2" sine "$3" vol 0.5; }
tone "$tracks/plain tone.wav" 1.5 300
tone "$tracks/"$'line\nfeed.wav' 1.5 700
tone "$tracks/"$'not utf-8 \xff\xfe.wav' 1.5 1100
: >"$tracks/empty.mp3"
head -c 100 "$tracks/plain tone.wav" >"$tracks/truncated.wav"
head -c 4096 /dev/urandom >"$tracks/garbage.mid"
printf 'RIFF\xff\xff\xff\x7fWAVEfmt ' >"$tracks/huge header.wav"
mkdir "$tracks/a folder.mp3"
# The listing order decides the order of the rows and so the order of the good tones.
mapfile -t pitches < <("$python" -c 'import os, sys
pitch = {b"plain tone.wav": 300, b"line\nfeed.wav": 700, b"not utf-8 \xff\xfe.wav": 1100}
for name in os.listdir(os.fsencode(sys.argv[1])):
    if name[-4:].lower() in (b".wav", b".mp3", b".mid") and name in pitch: print(pitch[name])' "$tracks")
row_count=8

say "start, power on, open the drawer"
start_player
expect 10 "$(main_shown)"
at 343 6 click 1
expect 5 "$(lamp shows DigitLit5 316 38)"
at 144 88 click 1
expect 5 "$(lamp shows LabelOpenLit 127 105)" panel-open
expect_selected_row 0 3

say "double-click the first row; the good tracks play in order"
mark=$(sound_size)
at_panel 200 $((list_top + row_height / 2)) click --repeat 2 --delay 60 1
expect_selected_row $((row_count - 1)) 20
sound_after "$(sound_size)" 2
heard_pitches=$("$python" - "$sound" "$mark" "$here" <<'EOF'
import os, sys
sys.path.insert(0, sys.argv[3])
from screen_probe import audio
path, start, tenth = sys.argv[1], int(sys.argv[2]), 176400 // 10
# Pitches of 0.1 s windows; a pitch counts once it holds for three windows in a row, which
# leaves out the windows that straddle two tracks.
runs = []
for at in range(start, os.path.getsize(path) - tenth, tenth):
    rms, frequency = audio(path, at, at + tenth)
    pitch = round(frequency / 100) * 100 if rms > 0.1 else 0
    if runs and runs[-1][0] == pitch:
        runs[-1][1] += 1
    else:
        runs.append([pitch, 1])
heard = []
for pitch, length in runs:
    if pitch and length >= 3 and (not heard or heard[-1] != pitch):
        heard.append(pitch)
print(*heard)
EOF
)
echo "   heard pitches: $heard_pitches (want ${pitches[*]})"
[ "$heard_pitches" = "${pitches[*]}" ] || fail "heard $heard_pitches, wanted ${pitches[*]}"

say "still responsive: power off folds the drawer away"
at 343 6 click 1
# The MP3 lamp goes dark only after the drawer's power-off slide, which drops clicks meanwhile.
expect 5 "$(lamp lacks DigitLit5 316 38)" "$(on_main shows MeterFaceDark^MeterFaceLit 10 10 0:0:105:30)" \
  "$(panel_gone)" "$(lamp lacks LabelMp3Lit 25 105)"

say "close"
at 380 5 click 1
wait_player_exit
printf '\xcf\xf3\xf2\xfc = \r\n\xcf\xee\xe7\xe8\xf6\xe8\xff = %d\r\n' $((row_count - 1)) >"$work/expected.pcs"
cmp -s "$work/expected.pcs" "$tracks/vor.pcs" || fail "vor.pcs holds: $(od -An -c "$tracks/vor.pcs" | tr -s ' ')"

step=finished
echo "hostile folder: passed"
