# Shared by the shell tests that start the real player on an X display.
# wait_for_player_window PID: prints the id of the player's first visible
# window once it is mapped (within about 10 s); prints nothing and fails otherwise.
wait_for_player_window() {
  local pid=$1 window=
  for _ in $(seq 100); do
    window=$(xdotool search --pid "$pid" --onlyvisible --name . 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] && echo "$window"
}
