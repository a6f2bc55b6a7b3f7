#!/usr/bin/env bash
# Runs the student's program on a test in its own X server, D-Bus session and AT-SPI bus, as on
# a student's desktop, optionally with the screen reader Orca, and hands it to a check script.
# Usage: exam-bus.sh [--orca] EXAM_BINARY TEST CHECK_SCRIPT   Exit 77: tools missing.
# The check script gets the program's pid and the X window, and, when Orca runs, ORCA_LOG (its
# debug log, which Orca writes in blocks: whole once Orca has ended) and ORCA_PID.
set -uo pipefail
orca=""
if [ "${1:-}" = "--orca" ]; then orca=1; shift; fi
exam=${1:?usage: exam-bus.sh [--orca] EXAM_BINARY TEST CHECK_SCRIPT}
test=${2:?usage: exam-bus.sh [--orca] EXAM_BINARY TEST CHECK_SCRIPT}
check=${3:?usage: exam-bus.sh [--orca] EXAM_BINARY TEST CHECK_SCRIPT}
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${EXAM_BUS_INNER:-}" ]; then
  tools=(xvfb-run dbus-run-session xdotool setxkbmap /usr/libexec/at-spi-bus-launcher)
  [ -n "$orca" ] && tools+=(orca)
  for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "exam-bus: $tool is missing"; exit 77; }
  done
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "exam-bus: pyatspi is missing"; exit 77; }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -m 700 "$work/runtime" "$work/tmp" "$work/home"
  EXAM_BUS_INNER=1 EXAM_BUS_WORK="$work" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime" \
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24" "$0" ${orca:+--orca} "$exam" \
    "$test" "$check"
  exit $?
fi

log="$EXAM_BUS_WORK/exam.log"
fail() {
  echo "exam-bus: FAIL: $*" >&2
  tail -n 20 "$log" >&2
  exit 1
}

/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
pid=""
orca_pid=""
trap 'kill $pid "$launcher" 2>/dev/null; [ -n "$orca_pid" ] && kill -KILL $orca_pid 2>/dev/null; wait 2>/dev/null' EXIT
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
setxkbmap -layout us,ru

if [ -n "$orca" ]; then
  export ORCA_LOG="$EXAM_BUS_WORK/orca.log"
  # Without a sound device the speech server would hold Orca up; what Orca says is logged all
  # the same, as SPEECH OUTPUT lines of its debug log.
  orca --replace --disable speech --debug-file "$ORCA_LOG" >"$EXAM_BUS_WORK/orca.out" 2>&1 &
  orca_pid=$!
  export ORCA_PID=$orca_pid
  /usr/bin/python3 - <<'PY' || { cat "$EXAM_BUS_WORK/orca.out" >&2; fail "Orca did not start"; }
import time, pyatspi
for _ in range(150):
    if any(a is not None and a.name == "orca" for a in pyatspi.Registry.getDesktop(0)):
        raise SystemExit(0)
    time.sleep(0.1)
raise SystemExit(1)
PY
fi

# shellcheck source=exam-window.sh
. "$here/exam-window.sh"
start_exam "$log" "$exam" "$test"
/usr/bin/python3 "$check" "$pid" "$window" || fail "$(basename "$check") failed"
