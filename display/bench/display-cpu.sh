#!/usr/bin/env bash
# CPU of the whole player while an MP3 plays with the panel open and the meters
# moving, under its own Xvfb with openbox and SDL's dummy output.
#   display/bench/display-cpu.sh [BUILD_DIR] [SECONDS] [DISPLAY] [GRAB_FOLDER]
# Also prints the tick timings of display-bench on the same X server.
set -euo pipefail

build_dir=${1:-build}
seconds=${2:-30}
display=${3:-:61}
grabs=${4:-}
harness="$build_dir/display/display-player-cpu"
tick_bench="$build_dir/display/display-bench"
[[ -x "$harness" && -x "$tick_bench" ]] || { echo "build display-player-cpu and display-bench in $build_dir first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

# A minute of two tones with a slow tremolo, so the needles keep swinging.
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 60 sine 440 sine 660 tremolo 1.5 90
lame --quiet -b 192 "$work/tone.wav" "$work/tone.mp3"
rm "$work/tone.wav"

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
export DISPLAY=$display SDL_AUDIODRIVER=dummy
unset QT_QPA_PLATFORM

[[ -z "$grabs" ]] || mkdir -p "$grabs"
"$harness" "$work/tone.mp3" "$seconds" ${grabs:+"$grabs"} 2>/dev/null
QT_QPA_PLATFORM=xcb "$tick_bench" 10 2>/dev/null
