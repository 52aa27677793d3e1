# shellcheck shell=bash
# What the end-to-end scenarios share: start-up checks, a temp folder, the player's start and
# end, the pointer, screenshot checks (screen_probe.py) and listening to SDL's disk output.
# Sourced by a scenario after it sets scenario_name; takes the scenario's arguments
# QUORVEL_BINARY SKIN_ART_DIR.
: "${scenario_name:?the scenario sets scenario_name before sourcing this}"
player=$(realpath "$1")
art=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
unset QT_QPA_PLATFORM

if [ -z "${DISPLAY:-}" ] || ! xdotool getdisplaygeometry >/dev/null 2>&1; then
  echo "$scenario_name: no X display, skipped"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
tracks=$work/tracks
sound=$work/sound.raw
export SHOT_PATH=$work/last-shot.ppm ART_CACHE=$work/art
player_pid=
step=start

finish() {
  local status=$?
  if [ -n "$player_pid" ] && kill -0 "$player_pid" 2>/dev/null; then
    kill "$player_pid" 2>/dev/null || true
    wait "$player_pid" 2>/dev/null || true
  fi
  if [ "$status" -eq 0 ]; then
    rm -rf "$work"
  else
    echo "$scenario_name: FAILED at step '$step'; screenshots, sound and tracks kept in $work" >&2
  fi
}
trap finish EXIT

fail() { echo "$scenario_name: $step: $*" >&2; exit 1; }
say() { step=$1; echo "-- $step  (${SECONDS}s)"; }
python=$(python3 -c 'import sys; print(sys.executable)') # past any version-manager shim: it is called often
probe() { "$python" "$here/screen_probe.py" "$@"; }
# expect TIMEOUT CHECK...: the word panel-open stands for the checks of panel_shown_open
expect() {
  local timeout=$1 check checks=() opened
  shift
  for check in "$@"; do
    if [ "$check" = panel-open ]; then
      panel_shown_open
      checks+=("${opened[@]}")
    else
      checks+=("$check")
    fi
  done
  probe wait "$timeout" "${checks[@]}" || fail "the screen did not show what was expected"
}

# --- sound: 16-bit stereo at 44.1 kHz, 176400 bytes a second ------------------------------
bytes_per_second=176400
sound_size() { stat -c %s "$sound" 2>/dev/null || echo 0; }
# sound_after MARK SECONDS: wait until the output has run SECONDS past byte MARK
sound_after() {
  local want=$(($1 + $(awk "BEGIN{print int($2 * $bytes_per_second)}"))) deadline=$((SECONDS + 10))
  while [ "$(sound_size)" -lt "$want" ]; do
    [ "$SECONDS" -lt "$deadline" ] || fail "the sound output stopped growing"
    sleep 0.05
  done
}
# heard MARK FROM TO: prints "rms frequency" of the output from FROM to TO seconds after MARK
heard() {
  sound_after "$1" "$3"
  probe audio "$sound" $(($1 + $(awk "BEGIN{print int($2 * $bytes_per_second)}"))) \
    $(($1 + $(awk "BEGIN{print int($3 * $bytes_per_second)}")))
}
# expect_tone MARK FREQUENCY RMS: a steady tone of about that pitch and level, 0.4 to 0.9 s after MARK
expect_tone() {
  local measured
  measured=$(heard "$1" 0.4 0.9)
  echo "   heard rms/frequency: $measured (want ~$3 at ~$2 Hz)"
  awk -v m="$measured" -v f="$2" -v r="$3" 'BEGIN{split(m, v, " ");
      exit !(v[2] > f * 0.95 && v[2] < f * 1.05 && v[1] > r * 0.85 && v[1] < r * 1.15)}' ||
    fail "wrong sound: rms/frequency $measured, wanted ~$3 at ~$2 Hz"
}
expect_silence() {
  local measured
  measured=$(heard "$1" 0.4 0.9)
  echo "   heard rms/frequency: $measured (want silence)"
  awk -v m="$measured" 'BEGIN{split(m, v, " "); exit !(v[1] < 0.001)}' || fail "not silent: $measured"
}

# --- windows and the pointer ---------------------------------------------------------------
main_x=0 main_y=0 main_window=
find_main_window() {
  local deadline=$((SECONDS + 15))
  until main_window=$(xdotool search --onlyvisible --pid "$player_pid" --name '^Корвинта$' 2>/dev/null | head -1) &&
    [ -n "$main_window" ]; do
    kill -0 "$player_pid" 2>/dev/null || fail "the player ended at start-up"
    [ "$SECONDS" -lt "$deadline" ] || fail "no window titled Корвинта appeared"
    sleep 0.1
  done
  eval "$(xdotool getwindowgeometry --shell "$main_window")"
  main_x=$X main_y=$Y
}
panel_x() { echo "$main_x"; }
panel_y() { echo $((main_y + 204)); }
# pointer_to SCREEN_X SCREEN_Y [ARGS...]: move the pointer there, then run xdotool ARGS there
# (--sync waits for the move to be seen, so it is left out when the pointer is there already)
pointer_to() {
  local x=$1 y=$2 X Y SCREEN WINDOW
  shift 2
  eval "$(xdotool getmouselocation --shell)" # also sets SCREEN and WINDOW, kept local here
  : "$SCREEN" "$WINDOW"
  if [ "$X" -eq "$x" ] && [ "$Y" -eq "$y" ]; then
    [ $# -eq 0 ] || xdotool "$@"
  else
    xdotool mousemove --sync "$x" "$y" "$@"
  fi
}
at() { pointer_to $((main_x + $1)) $((main_y + $2)) "${@:3}"; }             # on MainWindow
at_panel() { pointer_to $((main_x + $1)) $((main_y + 204 + $2)) "${@:3}"; } # on PlaylistWindow
start_player() {
  (cd "$tracks" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$sound exec "$player") &
  player_pid=$!
  find_main_window
}
wait_player_exit() {
  local deadline=$((SECONDS + 5))
  while kill -0 "$player_pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "the player did not end"
    sleep 0.05
  done
  wait "$player_pid" || fail "the player ended with status $?"
  player_pid=
}

# What a control or window looks like, as checks for screen_probe.py.
# on_main KIND IMAGE X Y [CROP]: IMAGE drawn at X,Y of MainWindow; IMAGE^OTHER looks only at the
# pixels where the two images differ
on_main() { echo "$1:$(art_path "$2"):$((main_x + $3)):$((main_y + $4))${5:+:$5}"; }
on_panel() { echo "$1:$(art_path "$2"):$((main_x + $3)):$((main_y + 204 + $4))${5:+:$5}"; }
art_path() { case $1 in *^*) echo "$art/${1%%^*}.png^$art/${1#*^}.png" ;; *) echo "$art/$1.png" ;; esac; }
# lamp KIND IMAGE X Y: a lit image judged by the pixels where it differs from the unlit skin
lamp() { echo "$1:$art/$2.png^$art/MainBackground.png@$3,$4:$((main_x + $3)):$((main_y + $4))"; }
# The drawer fully open: its skin down to row 395 (the left border beside the list, and the
# bottom rows), and nothing of it below, so it stands exactly 396 high and its slide is over.
panel_shown_open() {
  opened=("$(on_panel shows PlaylistBackground 0 0 0:0:20:396)" "$(on_panel shows PlaylistBackground 0 0 0:390:400:6)"
    "$(on_panel lacks PlaylistBackground 0 0 0:396:400:4)")
}
# The drawer hidden: even its top rows, which show until the closing slide's last step, are gone.
panel_gone() { on_panel lacks PlaylistBackground 0 0 0:0:400:4; }
main_shown() { on_main shows MainBackground 0 0 230:150:170:50; }

# read_selected_row: sets seen_row to the row of PlaylistBox shown selected (0-based) or "none",
# from the selection band; the first band seen also gives the row height
list_top=106 row_height=0 seen_row=none
read_selected_row() {
  probe wait 0 >/dev/null 2>&1 || true
  local band first last
  band=$(probe rowband "$SHOT_PATH" $((main_x + 360)) $((main_y + 204 + list_top)) $((main_y + 204 + 358)))
  seen_row=none
  [ "$band" != none ] || return 0
  read -r first last <<<"$band"
  set -- "$first" "$last"
  [ "$row_height" -gt 0 ] || row_height=$(($2 - $1 + 1))
  seen_row=$((($1 - main_y - 204 - list_top) / row_height))
}
expect_selected_row() { # expect_selected_row ROW TIMEOUT
  local deadline=$((SECONDS + $2))
  while read_selected_row; [ "$seen_row" != "$1" ]; do
    [ "$SECONDS" -lt "$deadline" ] || fail "row $1 is not shown selected (seen: $seen_row)"
    sleep 0.2
  done
}

