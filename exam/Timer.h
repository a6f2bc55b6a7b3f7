// TTimer: the exam's one-second clock, behind an interface the UI implements with its own timer.
#pragma once

#include <functional>
#include <utility>

// A periodic event delivered on the GUI thread while enabled; created disabled.
class TTimer {
 public:
  using TTickHandler = std::function<void()>;
  static constexpr int kIntervalMs = 1000;

  TTimer() = default;
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;
  virtual ~TTimer() = default;

  virtual void Enable() = 0;
  virtual void Disable() = 0;
  virtual bool Enabled() const = 0;

  void SetOnTick(TTickHandler handler) { FOnTick = std::move(handler); }

 protected:
  // Implementations call this once per interval while enabled.
  void DoTick() {
    if (FOnTick) FOnTick();
  }

 private:
  TTickHandler FOnTick;
};

// A clock that ticks only when told to: the headless exam's default, and the tests' clock.
class TManualTimer : public TTimer {
 public:
  void Enable() override { FEnabled = true; }
  void Disable() override { FEnabled = false; }
  bool Enabled() const override { return FEnabled; }
  // One interval has passed; nothing happens while disabled.
  void Fire() {
    if (FEnabled) DoTick();
  }

 private:
  bool FEnabled = false;
};
