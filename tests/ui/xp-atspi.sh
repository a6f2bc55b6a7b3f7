#!/usr/bin/env bash
# Runs the screen-reader tests of the painted controls in a private X server and D-Bus session
# with the AT-SPI bus up, as on a student's desktop with a screen reader. Exit 77: tools missing.
set -uo pipefail
tests=${1:?usage: xp-atspi.sh UI_TESTS_BINARY}

if [ -z "${XP_ATSPI_INNER:-}" ]; then
  for tool in xvfb-run dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "xp-atspi: $tool is missing"; exit 77; }
  done
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "xp-atspi: pyatspi is missing"; exit 77; }
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
  chmod 700 "$XDG_RUNTIME_DIR"
  XP_ATSPI_INNER=1 exec dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$tests"
fi

/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
trap 'kill "$launcher" 2>/dev/null; wait "$launcher" 2>/dev/null' EXIT
# Qt watches for the bus to appear, so the tests may start before it is up.
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 XP_ATSPI_REQUIRED=1 \
  "$tests" --gtest_filter='XPAtspi.*:XPAccessible.*'
