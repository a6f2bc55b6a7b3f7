#!/usr/bin/env bash
# The teacher's path through the real examdesk by keys alone, in a private X server: a question
# typed at the end of the demo source in the Russian layout, saved (Ctrl+S), built (Ctrl+B) into a
# test that examtool reads back with the new question, tried (F5) in a stand-in for the student's
# program whose temporary folder is gone afterwards, printed to a PDF through the print command's
# dialogs (Ctrl+P), and the window closed (Ctrl+Q).
# Usage: desk-keys.sh EXAMDESK EXAMTOOL SAMPLES_DIR   Exit 77: tools missing.
set -uo pipefail
desk=${1:?usage: desk-keys.sh EXAMDESK EXAMTOOL SAMPLES_DIR}
tool=${2:?usage: desk-keys.sh EXAMDESK EXAMTOOL SAMPLES_DIR}
samples=${3:?usage: desk-keys.sh EXAMDESK EXAMTOOL SAMPLES_DIR}

if [ -z "${DESK_KEYS_INNER:-}" ]; then
  for t in xvfb-run xdotool setxkbmap pdftotext; do
    command -v "$t" >/dev/null || { echo "desk-keys: $t is missing"; exit 77; }
  done
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
  chmod 700 "$XDG_RUNTIME_DIR"
  # No key repeats: on a loaded machine a key may stay down long enough to repeat.
  DESK_KEYS_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -ardelay 60000" "$0" "$desk" "$tool" "$samples"
fi

work=$(mktemp -d)
pid=
trap 'kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() {
  echo "desk-keys: FAIL: $*" >&2
  tail -n 20 "$work/desk.log" >&2
  exit 1
}
# wait_for SECONDS COMMAND...: until the command succeeds
wait_for() {
  local tries=$(($1 * 10))
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
keys() { xdotool key --delay 30 "$@"; }

mkdir "$work/src" && cp -r "$samples"/. "$work/src"/
rm -f "$work/src/demo.tst" "$work/src/demo.tst-ans"
# The student's program stands in as a script that says what it was given.
cat >"$work/exam" <<EOF
#!/bin/sh
echo "\$TMPDIR \$1" >"$work/trial.log"
[ -d "\$TMPDIR" ] && [ -f "\$1" ] && echo started >>"$work/trial.log"
sleep 1
EOF
chmod +x "$work/exam"
export XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config EXAM_PROGRAM=$work/exam
setxkbmap us
QT_QPA_PLATFORM=xcb "$desk" "$work/src/demo.md" >"$work/desk.log" 2>&1 &
pid=$!
wid=$(xdotool search --sync --onlyvisible --name "demo.md" | head -n 1)
[ -n "$wid" ] || fail "no window named after demo.md"
xdotool windowfocus --sync "$wid"
sleep 1

# holds FILE TEXT: the file holds the text, line breaks and all
holds() { /usr/bin/python3 -c 'import sys; sys.exit(sys.argv[2] not in open(sys.argv[1], encoding="utf-8").read())' "$1" "$2"; }
# in_layout LAYOUT: the keyboard switched, and the window given a moment to read the new map
in_layout() { setxkbmap "$1" && sleep 0.5; }

# A question at the end: the words in the Russian layout, the mark-up (which that layout has no
# keys for) in the Latin one.
keys ctrl+End Return numbersign numbersign numbersign space
in_layout ru
keys Cyrillic_ve Cyrillic_o Cyrillic_pe Cyrillic_er Cyrillic_o Cyrillic_es Return \
  Cyrillic_es Cyrillic_u Cyrillic_em Cyrillic_em Cyrillic_a Return
in_layout us
keys minus space bracketleft x bracketright space 4 Return \
  minus space bracketleft space bracketright space 5 Return ctrl+s
wait_for 10 holds "$work/src/demo.md" $'### вопрос\nсумма\n- [x] 4\n- [ ] 5\n' ||
  fail "the typed question was not saved: $(tail -n 5 "$work/src/demo.md")"

keys ctrl+b
wait_for 60 test -s "$work/src/demo.tst-ans" || fail "Ctrl+B built nothing"
info=$("$tool" info "$work/src/demo.tst") || fail "examtool cannot read the built test"
grep -q "14 questions" <<<"$info" || fail "the built test: $(head -n 4 <<<"$info")"

keys F5
wait_for 60 grep -qs started "$work/trial.log" || fail "F5 did not start the trial: $(cat "$work/trial.log" 2>/dev/null)"
trial_dir=$(cut -d' ' -f1 "$work/trial.log")
grep -qF " $work/src/demo.tst" "$work/trial.log" || fail "the trial ran on $(cat "$work/trial.log")"
wait_for 10 test ! -e "$trial_dir" || fail "the trial's temporary folder $trial_dir is left behind"

# "Что напечатать?": the first choice, "Тест в PDF", then the file's name.
# dialog TITLE: waits for the dialog and gives it the keyboard (no window manager does here)
dialog() {
  local d
  d=$(timeout 60 xdotool search --sync --onlyvisible --name "$1" | head -n 1)
  [ -n "$d" ] || fail "no dialog '$1'"
  xdotool windowfocus --sync "$d"
  sleep 0.3
}
keys ctrl+p
dialog "^Редактор тестов$"
keys Return
dialog "^Сохранить PDF$"
xdotool type --delay 20 "$work/test.pdf"
keys Return
wait_for 60 test -s "$work/test.pdf" || fail "Ctrl+P wrote no PDF"
pdftotext "$work/test.pdf" - | grep -q "сумма" || fail "the PDF lacks the typed question"

# With no window manager here, the keyboard goes back to the window by hand once a dialog is gone.
xdotool windowfocus --sync "$wid"
keys ctrl+q
wait_for 10 sh -c "! kill -0 $pid 2>/dev/null" || fail "Ctrl+Q did not close the saved source's window"
echo "desk-keys: typed, saved, built (14 questions), tried, printed and closed by keys"
