// The exam's one-second clock on the GUI thread, with a QTimer.
#pragma once

#include <QTimer>

#include "Timer.h"

class TQtTimer : public TTimer {
 public:
  TQtTimer();
  void Enable() override;
  void Disable() override;
  bool Enabled() const override { return FTimer.isActive(); }

 private:
  QTimer FTimer;
};
