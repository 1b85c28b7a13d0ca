// TThreadTimer: a window timer with setters that re-arm only on an effective change.
#include "socket/ThreadTimer.h"

#include "framework/SysUtils.h"
#include "framework/TimerEvent.h"
#include "socket/SocketWindows.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TThreadTimer::TThreadTimer(TComponent* AOwner) : TComponent(AOwner) {
  // Enabled and Interval start at true / 1000, stored directly: no timer runs yet.
  FWindowHandle = AllocateTimerWindow(this);
}

TThreadTimer::~TThreadTimer() {
  FEnabled = false;
  KillTimer(FWindowHandle, kTimerId);
  if (FWindowHandle) DestroyWindow(FWindowHandle);
}

void TThreadTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  UpdateTimer();
}

void TThreadTimer::SetInterval(uint32_t value) {
  if (value == FInterval) return;
  FInterval = value;
  UpdateTimer();
}

void TThreadTimer::SetOnTimer(TNotifyEvent value) {
  FOnTimer = std::move(value);
  UpdateTimer();
}

void TThreadTimer::Trigger() { CallTimerHandler(FOnTimer, this); }

void TThreadTimer::UpdateTimer() {
  KillTimer(FWindowHandle, kTimerId);
  if (FInterval != 0 && FEnabled && FOnTimer) {
    if (SetTimer(FWindowHandle, kTimerId, FInterval, nullptr) == 0) throw Exception("No Timer");
  }
}
