// Loaded into the real student's program (LD_PRELOAD) by the kill-loop test: from a thread of
// its own it hands the program's GUI thread an answer or page key every few tens of
// milliseconds, as the platform would deliver it, and logs each key once the program has handled
// it, and each tick of the program's clock (by the label the clock shows, looked at every 10 ms;
// the backup is written in the same turn of the event loop as the label), and, once, the moment
// the clock is first on screen ('S': the program is ready). Configured by EXAM_KEY_DRIVER_LOG
// (the log file) and EXAM_KEY_DRIVER_SEED.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

namespace {

struct TKey {
  char log;
  int key;
  const char* text;
};
constexpr TKey kKeys[] = {{'a', Qt::Key_A, "a"}, {'b', Qt::Key_B, "b"},    {'c', Qt::Key_C, "c"},
                          {'d', Qt::Key_D, "d"}, {'R', Qt::Key_Right, ""}, {'L', Qt::Key_Left, ""}};

int gLog = -1;

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Log(char what);
void WatchClock();

// On the GUI thread: the key goes where the platform would send it, unless a dialog is up.
void Deliver(const TKey& k) {
  WatchClock();  // a tick since the last look is logged before the key, not after it
  if (QApplication::activeModalWidget() != nullptr) return;
  QWidget* window = QApplication::activeWindow();
  if (window == nullptr) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->inherits("TForm1")) window = w;
  }
  if (window == nullptr) return;
  QPointer<QWidget> form = window;
  QWidget* target = window->focusWidget() ? window->focusWidget() : window;
  QKeyEvent press(QEvent::KeyPress, k.key, Qt::NoModifier, QString::fromLatin1(k.text));
  QApplication::sendEvent(target, &press);
  // The press may have moved the focus, or deleted the control that had it (a page turn
  // rebuilds the answer buttons): the release goes where the focus is now, as the platform's
  // would.
  if (form == nullptr) return;
  target = form->focusWidget() ? form->focusWidget() : form.data();
  QKeyEvent release(QEvent::KeyRelease, k.key, Qt::NoModifier, QString::fromLatin1(k.text));
  QApplication::sendEvent(target, &release);
  Log(k.log);
}

void Log(char what) {
  const std::string line = std::to_string(Now()) + " " + what + "\n";
  (void)::write(gLog, line.data(), line.size());
}

// On the GUI thread: logs a tick when the clock's label shows another time.
void WatchClock() {
  static QString last;
  static bool ready = false;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* clock = w->findChild<QLabel*>(QStringLiteral("pnTimer"))) {
      if (!ready && clock->isVisible()) {
        ready = true;
        Log('S');
      }
      if (!last.isEmpty() && clock->text() != last) Log('T');
      last = clock->text();
      return;
    }
  }
}

void Watch() {
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, WatchClock, Qt::QueuedConnection);
  }
}

void Drive(unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pause(20, 120), pick(0, 11);
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) continue;
    // Answer keys twice as often as page keys.
    const int p = pick(random);
    const TKey& k = kKeys[p < 8 ? p % 4 : 4 + p % 2];
    QMetaObject::invokeMethod(
        app, [&k] { Deliver(k); }, Qt::QueuedConnection);
  }
}

__attribute__((constructor)) void StartDriver() {
  const char* log = std::getenv("EXAM_KEY_DRIVER_LOG");
  if (log == nullptr) return;
  gLog = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  const char* seed = std::getenv("EXAM_KEY_DRIVER_SEED");
  std::thread(Drive, seed ? static_cast<unsigned>(std::strtoul(seed, nullptr, 10)) : 1u).detach();
  std::thread(Watch).detach();
}

}  // namespace
