// Helpers shared by the painted-control tests: waiting for the event loop, counting paints.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTest>
#include <QWidget>
#include <functional>

// Runs the event loop until Done holds or the time is up; says whether Done held.
inline bool WaitFor(const std::function<bool()>& Done, int Milliseconds = 3000) {
  QElapsedTimer timer;
  timer.start();
  while (!Done()) {
    if (timer.elapsed() > Milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QTest::qSleep(5);
  }
  return true;
}

// Lets every pending event, repaints included, run for a while.
inline void Settle(int Milliseconds = 100) {
  WaitFor([] { return false; }, Milliseconds);
}

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
 public:
  explicit TPaintCounter(QWidget& Widget) { Widget.installEventFilter(this); }
  int Count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Paint) ++Count;
    return false;
  }
};

// Shows a window and waits until it can be painted and take the focus.
inline bool ShowActive(QWidget& Window) {
  Window.show();
  Window.activateWindow();
  return QTest::qWaitForWindowExposed(&Window) && QTest::qWaitForWindowActive(&Window);
}
