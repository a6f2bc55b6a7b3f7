# Sourced by the window scripts: start_exam starts the student's program on a test in the
# current X server and sets `pid` and `window` (focused), or calls the script's own `fail`.
# Usage: start_exam LOG EXAM_BINARY TEST
start_exam() {
  local log=$1 exam=$2 test=$3
  window=""
  # The virtual server turns a client away now and then when another connects at the same
  # moment (our own look-ups of the window): wait a little before looking, and start a program
  # that could not connect again.
  for _ in 1 2 3; do
    "$exam" "$test" >>"$log" 2>&1 &
    pid=$!
    sleep 0.5
    for _ in $(seq 1 100); do
      window=$(xdotool search --all --onlyvisible --pid "$pid" --class exam 2>/dev/null | head -n 1)
      [ -n "$window" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$window" ] && break
    grep -q "could not connect to display" "$log" || break
    sleep 0.5
  done
  [ -n "$window" ] || fail "the window did not appear"
  # No window manager: focus the window as a desktop would.
  xdotool windowfocus --sync "$window"
}
