// TThreadTimer: a window timer with setters that re-arm only on an effective change.
#include "socket/ThreadTimer.h"

#include "framework/SysUtils.h"
#include "socket/SocketWindows.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TThreadTimer::TThreadTimer(TComponent* AOwner) : TComponent(AOwner) {
  // Enabled and Interval start at true / 1000, stored directly: no timer runs yet.
  FWindowHandle = AllocateTimerWindow(this);
}

TThreadTimer::~TThreadTimer() {
  FCore.SetEnabled(false);
  KillTimer(FWindowHandle, kTimerId);
  if (FWindowHandle) DestroyWindow(FWindowHandle);
}

void TThreadTimer::SetEnabled(bool value) {
  if (FCore.SetEnabled(value)) UpdateTimer();
}

void TThreadTimer::SetInterval(uint32_t value) {
  if (FCore.SetInterval(value)) UpdateTimer();
}

void TThreadTimer::SetOnTimer(TNotifyEvent value) {
  FCore.SetOnTimer(std::move(value));
  UpdateTimer();
}

void TThreadTimer::Trigger() { FCore.Tick(this); }

void TThreadTimer::UpdateTimer() {
  KillTimer(FWindowHandle, kTimerId);
  if (FCore.Runs()) {
    if (SetTimer(FWindowHandle, kTimerId, FCore.Interval(), nullptr) == 0)
      throw Exception("No Timer");
  }
}
