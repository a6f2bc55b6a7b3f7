#!/usr/bin/env bash
# Starts the real examdesk on a copy of the demo source in a private X server and D-Bus session
# with the AT-SPI bus up, reads its controls as a screen reader does, and presses "Проверить
# работы" (a command that opens a dialog) through the bus: the press must return at once.
# Exit 77: tools missing.
set -uo pipefail
desk=${1:?usage: desk-atspi.sh EXAMDESK SAMPLES_DIR}
samples=${2:?usage: desk-atspi.sh EXAMDESK SAMPLES_DIR}
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${DESK_ATSPI_INNER:-}" ]; then
  for tool in xvfb-run dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "desk-atspi: $tool is missing"; exit 77; }
  done
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "desk-atspi: pyatspi is missing"; exit 77; }
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
  chmod 700 "$XDG_RUNTIME_DIR"
  DESK_ATSPI_INNER=1 exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$desk" "$samples"
fi

work=$(mktemp -d)
/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
desk_pid=
trap 'kill "$desk_pid" "$launcher" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$samples"/. "$work"/
export XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$desk" "$work/demo.md" &
desk_pid=$!
/usr/bin/python3 "$here/desk-atspi-check.py" "$desk_pid"
