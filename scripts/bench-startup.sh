#!/usr/bin/env bash
# Start-up and idle figures of the player, under its own Xvfb with openbox.
#   scripts/bench-startup.sh [BUILD_DIR] [DISPLAY]   (defaults: build, :57)
# Prints the median time from exec to MainWindow's first painted frame, the
# median time until the real program's window is mapped, and the idle CPU
# share and resident memory with both windows shown and the timer running.
set -euo pipefail

build_dir=${1:-build}
display=${2:-:57}
runs=9
bench="$build_dir/app/spine_bench"
player="$build_dir/app/quorvel"
[[ -x "$bench" && -x "$player" ]] || { echo "build spine_bench and quorvel in $build_dir first" >&2; exit 1; }

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
export DISPLAY=$display SDL_AUDIODRIVER=dummy
unset QT_QPA_PLATFORM

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
now_ns() { date +%s%N; }

first_frames=()
for ((run = 0; run < runs; ++run)); do
  first_frames+=("$("$bench" startup "$(now_ns)" 2>/dev/null | awk '/first-frame-ms/ { print $2 }')")
done
echo "first painted frame of MainWindow: median $(printf '%s\n' "${first_frames[@]}" | median) ms of $runs runs (${first_frames[*]})"

mapped=()
for ((run = 0; run < runs; ++run)); do
  start=$(now_ns)
  "$player" 2>/dev/null &
  pid=$!
  # xdotool's own --sync polls only twice a second; poll faster.
  for ((tries = 0; tries < 4000; ++tries)); do
    xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
  done
  mapped+=("$(( ($(now_ns) - start) / 100000 ))")
  # SIGKILL: the audio library's signal handler swallows SIGTERM.
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
done
echo "quorvel's MainWindow mapped (polled by xdotool): median $(printf '%s\n' "${mapped[@]}" | median | awk '{ printf "%.1f", $1 / 10 }') ms of $runs runs"

echo "idle, both windows shown, timer running, no stream (10 s):"
"$bench" idle 10 2>/dev/null | sed 's/^/  /'
