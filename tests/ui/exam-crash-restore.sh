#!/usr/bin/env bash
# The student's program killed in the middle of an exam and started again: the marks made with
# keys (in the Latin and the Russian layout) and the clock come back from the crash backup, as
# a screen reader reads them off the window. Runs its own X server, D-Bus session and AT-SPI bus.
# Usage: exam-crash-restore.sh EXAM_BINARY DEMO_TEST   Exit 77: tools missing.
set -uo pipefail
exam=${1:?usage: exam-crash-restore.sh EXAM_BINARY DEMO_TEST}
test=${2:?usage: exam-crash-restore.sh EXAM_BINARY DEMO_TEST}
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${CRASH_INNER:-}" ]; then
  for tool in xvfb-run dbus-run-session xdotool setxkbmap /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "crash-restore: $tool is missing"; exit 77; }
  done
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "crash-restore: pyatspi is missing"; exit 77; }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -m 700 "$work/runtime" "$work/tmp"
  CRASH_INNER=1 TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime" \
    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$exam" "$test"
  exit $?
fi

fail() {
  echo "crash-restore: FAIL: $*" >&2
  tail -n 20 "$TMPDIR/exam.log" >&2
  exit 1
}

/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
pid=""
trap 'kill "$pid" "$launcher" 2>/dev/null; wait 2>/dev/null' EXIT
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# shellcheck source=exam-window.sh
. "$here/exam-window.sh"
start() { start_exam "$TMPDIR/exam.log" "$exam" "$test"; }

# What a screen reader reads off the window: role|name|states|actions, one line per control.
read_window() {
  /usr/bin/python3 "$here/xp-atspi-check.py" "$pid" || fail "the screen reader could not read the window"
}

# expect SEEN ROLE NAME checked|unchecked
expect() {
  local line
  line=$(grep -F "$2|$3|" <<<"$1" | head -n 1)
  [ -n "$line" ] || fail "no $2 '$3' in:
$1"
  local states=${line#"$2|$3|"}
  states=${states%%|*}
  case "$4,$states" in
    checked,*checked*) ;;
    unchecked,*checked*) fail "$3 is checked" ;;
    unchecked,*) ;;
    *) fail "$3 is not checked ($states)" ;;
  esac
}

setxkbmap us
start
# Question 1 (one answer): B. Question 2 (several answers) in the Russian layout: the keys
# that carry A/Ф and D/В, sent by their key codes as a keyboard sends them.
xdotool key --window "$window" --delay 150 b Right
setxkbmap ru
xdotool key --window "$window" --delay 150 38 40
setxkbmap us
# Two ticks of the clock write the backup; then the program dies without a word.
sleep 2.5
kill -KILL "$pid"
wait "$pid" 2>/dev/null
pid=""

start
sleep 1.5
seen=$(read_window)
echo "$seen"
expect "$seen" "radio button" "B) км/ч" checked
expect "$seen" "radio button" "A) м/с" unchecked
# The clock counts on from the elapsed time the backup kept: at least two seconds before the
# kill and one after the restart are gone from the 28 minutes of the demo test.
clock=$(sed -nE 's/^label\|(00:[0-9]{2}:[0-9]{2})\|.*/\1/p' <<<"$seen" | head -n 1)
[ -n "$clock" ] || fail "no clock among the labels"
seconds=$((10#${clock:3:2} * 60 + 10#${clock:6:2}))
[ "$seconds" -le $((28 * 60 - 3)) ] || fail "the clock shows $clock: the elapsed time was not restored"

xdotool key --window "$window" Right
sleep 0.3
seen=$(read_window)
expect "$seen" "check box" "A) скорость" checked
expect "$seen" "check box" "D) время" checked
expect "$seen" "check box" "B) перемещение" unchecked
echo "crash-restore: marks of both questions and the clock ($clock) came back"

# The student closes the window with Alt+F4 and the program ends cleanly (a sanitizer build
# checks its memory on the way out and fails the exit status). The key's release finds the
# window gone, which xdotool reports as an X error.
xdotool key --window "$window" alt+F4 2>/dev/null
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Alt+F4 did not end the program"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
