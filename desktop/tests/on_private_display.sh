#!/usr/bin/env bash
# on_private_display.sh COMMAND...
# Runs COMMAND on a private Xvfb at display :77, started and stopped here.
set -uo pipefail
display=:77
if [ -e /tmp/.X11-unix/X77 ] || [ -e /tmp/.X77-lock ]; then
  echo "display $display is taken" >&2
  exit 1
fi
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null' EXIT
for _ in $(seq 100); do DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
env -u QT_QPA_PLATFORM DISPLAY=$display "$@"
