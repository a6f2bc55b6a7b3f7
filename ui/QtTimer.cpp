// A precise QTimer: a coarse one may drift by up to 5 % of the interval, a minute in twenty.
#include "QtTimer.h"

TQtTimer::TQtTimer() {
  FTimer.setInterval(kIntervalMs);
  FTimer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&FTimer, &QTimer::timeout, [this] { DoTick(); });
}

void TQtTimer::Enable() {
  // Enabling a running clock keeps its phase, as a timer that is already on does.
  if (!FTimer.isActive()) FTimer.start();
}

void TQtTimer::Disable() {
  FTimer.stop();
}
