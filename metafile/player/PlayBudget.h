// The time a page may take to draw. A hostile page (millions of records, huge paths) stops
// drawing at the budget with what it has drawn so far, so that it cannot hold the window; the
// slowest real page takes a small fraction of it.
#pragma once

#include <chrono>
#include <cstdint>

inline constexpr std::chrono::milliseconds kPagePlayBudget{1000};

class TPlayBudget {
 public:
  explicit TPlayBudget(std::chrono::milliseconds budget = kPagePlayBudget)
      : FDeadline(std::chrono::steady_clock::now() + budget) {}
  // True once the budget is spent; the clock is read every few records only.
  bool Spent() {
    if (++FRecords % 16 != 0) return false;
    return std::chrono::steady_clock::now() >= FDeadline;
  }

 private:
  std::chrono::steady_clock::time_point FDeadline;
  uint32_t FRecords = 0;
};
