// TTimerCore: the settings every timer component (TTimer, the socket's TThreadTimer, the
// tray's THiTimer) keeps, with the rules they share. Enabled and Interval count as changed
// only when the value differs, so setting the current value neither starts nor restarts
// a countdown; OnTimer always counts as changed (functions cannot be compared). The owner
// re-arms its own mechanism when a setter says so. A tick calls a copy of the handler, so
// the handler may replace or clear OnTimer, which frees the function it is running in.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>

#include "framework/Classes.h"

class TTimerCore {
 public:
  TTimerCore(bool enabled, uint32_t interval) : FEnabled(enabled), FInterval(interval) {}

  // Enabled may be read from another thread (the tray's worker).
  bool Enabled() const { return FEnabled; }
  uint32_t Interval() const { return FInterval; }
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  // All three conditions under which a timer ticks.
  bool Runs() const { return FEnabled && FInterval != 0 && FOnTimer; }

  // Each returns true when the owner must re-arm.
  bool SetEnabled(bool v) {
    if (v == FEnabled) return false;
    FEnabled = v;
    return true;
  }
  // A changed value is stored kept within [lo, hi].
  bool SetInterval(uint32_t v, uint32_t lo = 0,
                   uint32_t hi = std::numeric_limits<uint32_t>::max()) {
    if (v == FInterval) return false;
    FInterval = std::clamp(v, lo, hi);
    return true;
  }
  void SetOnTimer(TNotifyEvent e) { FOnTimer = std::move(e); }

  void Tick(TObject* sender) const {
    TNotifyEvent running = FOnTimer;
    if (running) running(sender);
  }

 private:
  std::atomic<bool> FEnabled;
  uint32_t FInterval;
  TNotifyEvent FOnTimer;
};
