#!/usr/bin/python3
"""What the screen reader Orca says while a blind student takes the demo test with keys only.

Usage: exam-orca-check.py PID WINDOW, run by exam-bus.sh --orca on samples/demo.tst (with its
key samples/demo.tst-ans beside it). Each moment sends its keys and waits; Orca writes its debug
log in blocks, so the log is read once Orca has ended, and its SPEECH OUTPUT lines (and, for
flat review, its braille lines, as flat review is not spoken with speech off) are given to the moment in whose time they were written.
"""

import datetime
import os
import re
import signal
import subprocess
import sys
import time

# (what, keyboard layout, keys, texts that must all be heard, texts that must not be)
MOMENTS = [
    ("the window opens", "us", "", ["Вопрос 1 из 13, Кинематика",
                                    "Какова единица измерения скорости в СИ?",
                                    "A) м/с, не отмечен", "D) Н, не отмечен"], []),
    ("key B marks B) км/ч", "us", "b", ["B) км/ч", "selected"], ["not selected"]),
    ("Right: question 2", "us", "Right", ["Вопрос 2 из 13, Кинематика",
                                          "Какие из величин являются векторными?",
                                          "A) скорость, не отмечен"], []),
    # The key of A and Ф, by its key code as the keyboard sends it, in the Russian layout.
    ("key Ф checks A) скорость", "ru", "38", ["A) скорость", "checked"], ["not checked"]),
    ("key Ф again unchecks it", "ru", "38", ["not checked"], []),
    ("key D in the Latin layout", "us", "d", ["D) время", "checked"], ["not checked"]),
    ("Tab: question 3", "us", "Tab", ["Вопрос 3 из 13, Кинематика",
                                      "Тело движется равномерно по окружности"], []),
    ("Shift+Tab: question 2 again", "us", "shift+Tab",
     ["Вопрос 2 из 13, Кинематика", "A) скорость, не отмечен", "D) время, отмечен"], []),
    # Orca's flat review (keypad 8: the line, keypad 9: the next line) over the whole window.
    ("flat review reads the page and every option", "us",
     "KP_Up" + " KP_Page_Up" * 8,
     ["Вопрос 2 из 13, Кинематика", "A) скорость", "B) перемещение", "C) путь", "D) время"],
     []),
    ("F5 says the time left", "us", "F5", ["Осталось 2", "минут"], []),
    ("F12: the stop dialog", "us", "F12", ["Окончание тестирования dialog", "Cancel push button"],
     []),
    ("OK ends the exam", "us", "Tab Return", ["OK push button"], []),
    # No window manager here gives the window the keyboard back after a dialog: "focus" does,
    # as a desktop would.
    ("F11: the key's warning", "us", "focus F11", ["Загрузка ответов к тесту dialog"], []),
    # The file dialog proposes demo.tst-ans beside the test.
    ("OK: the file dialog", "us", "Return", [], []),
    ("the key is loaded: question 1 with its right option", "us", "Return focus",
     ["Вопрос 1 из 13, Кинематика", "A) м/с, не отмечен, верный ответ", "B) км/ч, отмечен;"],
     ["B) км/ч, отмечен, верный ответ"]),
]
WAIT_SECONDS = 3.0
# A spoken text may go on over several lines of the log: its first line is enough here.
LINE = re.compile(r"^(\d\d):(\d\d):(\d\d\.\d+) - (?:SPEECH OUTPUT: '(.*)|\s*VISIBLE:\s+'(.*)', cursor)")


def seconds_of_day(moment):
    return moment.hour * 3600 + moment.minute * 60 + moment.second + moment.microsecond / 1e6


def heard_lines(log):
    lines = []
    with open(log, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = LINE.match(line)
            if m:
                t = int(m.group(1)) * 3600 + int(m.group(2)) * 60 + float(m.group(3))
                lines.append((t, m.group(4) if m.group(4) is not None else m.group(5)))
    return lines


def stop_orca():
    pid = int(os.environ["ORCA_PID"])
    os.kill(pid, signal.SIGTERM)
    for _ in range(50):
        try:
            os.kill(pid, 0)
        except OSError:
            return
        time.sleep(0.1)


def main():
    window = sys.argv[2]
    starts = []
    layout = "us"
    time.sleep(WAIT_SECONDS)
    for _, wanted_layout, keys, _, _ in MOMENTS:
        if wanted_layout != layout:
            subprocess.run(["setxkbmap", wanted_layout], check=True)
            layout = wanted_layout
        starts.append(seconds_of_day(datetime.datetime.now()))
        for name in keys.split():
            if name == "focus":
                subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
            else:
                subprocess.run(["xdotool", "key", name], check=True)
                time.sleep(0.15)
        time.sleep(WAIT_SECONDS)
    # After the dialogs the screen reader has a backlog of the window's events to work through.
    time.sleep(3 * WAIT_SECONDS)
    subprocess.run(["setxkbmap", "us"], check=False)
    end = seconds_of_day(datetime.datetime.now())
    # Orca may not get to write out its last block before it ends: keys it logs at length (and
    # no moment hears) push the moments' lines out first.
    subprocess.run(["xdotool", "key", "--delay", "100"] + ["shift"] * 20, check=False)
    time.sleep(WAIT_SECONDS)
    stop_orca()
    lines = heard_lines(os.environ["ORCA_LOG"])
    if os.environ.get("EXAM_ORCA_KEEP_LOG"):
        subprocess.run(["cp", os.environ["ORCA_LOG"], os.environ["EXAM_ORCA_KEEP_LOG"]], check=False)
    # The window's first words come before the first moment's start is noted.
    starts[0] = 0.0
    failures = 0
    for i, (what, _, keys, wanted, unwanted) in enumerate(MOMENTS):
        until = starts[i + 1] if i + 1 < len(MOMENTS) else end
        heard = " | ".join(text for t, text in lines if starts[i] <= t < until)
        missing = [w for w in wanted if w not in heard]
        extra = [u for u in unwanted if u in heard]
        ok = not missing and not extra
        failures += 0 if ok else 1
        print("%s %s [%s]: %s" % ("ok  " if ok else "FAIL", what, keys, heard[:400]))
        for w in missing:
            print("     not heard: %s" % w)
        for u in extra:
            print("     heard, wrongly: %s" % u)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
