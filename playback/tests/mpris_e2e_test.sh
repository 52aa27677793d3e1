#!/usr/bin/env bash
# The real player on a private session bus, driven with dbus-send as a media
# key daemon would; then the same player with no session bus at all.
set -euo pipefail
binary=$1
work=$(mktemp -d)
player_pid=""
bus_pid=""
cleanup() {
  [[ -n "$player_pid" ]] && kill "$player_pid" 2>/dev/null || true
  [[ -n "$bus_pid" ]] && kill "$bus_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
cd "$work"
sox -n -r 44100 -c 2 -b 16 one.wav synth 20 sine 440 vol 0.1
cp one.wav "two tracks.wav"

fail() { echo "FAIL: $*" >&2; exit 1; }

{ read -r address; read -r bus_pid; } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$address

send() { dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.quorvel /org/mpris/MediaPlayer2 "$@"; }
player_property() {
  send org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player "string:$1" | tail -n 1
}
# Up to 10 s for the condition to hold.
wait_for() {
  for _ in $(seq 100); do
    if eval "$1"; then return 0; fi
    sleep 0.1
  done
  return 1
}
name_owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.mpris.MediaPlayer2.quorvel | grep -q 'boolean true'
}

"$binary" & player_pid=$!
wait_for name_owned || fail "the service never appeared"
send org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2 string:Identity | grep -q '"QUORVEL"' \
  || fail "Identity"
[[ "$(player_property PlaybackStatus)" == *'"Stopped"'* ]] || fail "not Stopped at start"

send org.mpris.MediaPlayer2.Player.OpenUri "string:file://$work/two%20tracks.wav" > /dev/null
wait_for '[[ "$(player_property PlaybackStatus)" == *\"Playing\"* ]]' || fail "OpenUri did not play"
send org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:Metadata > metadata.txt
grep -q '"two tracks.wav"' metadata.txt || fail "title: $(cat metadata.txt)"
grep -q 'int64 20000000' metadata.txt || fail "length: $(cat metadata.txt)"

send org.mpris.MediaPlayer2.Player.PlayPause > /dev/null
wait_for '[[ "$(player_property PlaybackStatus)" == *\"Paused\"* ]]' || fail "PlayPause did not pause"
send org.mpris.MediaPlayer2.Player.Stop > /dev/null
wait_for '[[ "$(player_property PlaybackStatus)" == *\"Stopped\"* ]]' || fail "Stop"

# Quit is answered, then the player leaves as after the window manager's close.
send org.mpris.MediaPlayer2.Quit > /dev/null || fail "Quit got no answer"
wait_for '! kill -0 $player_pid 2>/dev/null' || fail "still running after Quit"
wait "$player_pid" || fail "exit status $? after Quit"
player_pid=""

# No session bus: the player starts and keeps running; nothing offers the service.
for bus_setting in "DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus-here" "DBUS_SESSION_BUS_ADDRESS="; do
  mkdir -p -m 700 empty-runtime
  env "$bus_setting" XDG_RUNTIME_DIR="$work/empty-runtime" "$binary" & player_pid=$!
  sleep 3
  kill -0 "$player_pid" 2>/dev/null || fail "the player did not keep running with $bus_setting"
  ! name_owned || fail "the service appeared with $bus_setting"
  kill "$player_pid"
  wait "$player_pid" 2>/dev/null || true
  player_pid=""
done
echo "media controls end to end: all passed"
