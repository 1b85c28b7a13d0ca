// TThreadTimer: the time-out timer a TSocketClient owns.
//
// Despite the name there is no thread: it is window timer 1 on a hidden window of its
// own, so ticks arrive only while the GUI thread pumps messages. The timer runs exactly
// when, at the last re-arm, Enabled was true, Interval was not 0 and OnTimer was set.
// Enabled and Interval re-arm only when their value changes (setting the current value
// neither starts nor restarts the countdown); assigning OnTimer always re-arms.
#pragma once

#include <cstdint>

#include "framework/Classes.h"
#include "framework/TimerCore.h"
#include "platform/winapi.h"

class TThreadTimer : public TComponent {
 public:
  explicit TThreadTimer(TComponent* AOwner);
  ~TThreadTimer() override;

  bool Enabled() const { return FCore.Enabled(); }
  void SetEnabled(bool value);
  uint32_t Interval() const { return FCore.Interval(); }
  void SetInterval(uint32_t value);
  const TNotifyEvent& OnTimer() const { return FCore.OnTimer(); }
  void SetOnTimer(TNotifyEvent value);

  // Called for every tick; calls OnTimer with this timer as sender.
  virtual void Trigger();

  HWND WindowHandle() const { return FWindowHandle; }

 protected:
  // Kills timer 1 and starts it again when all three conditions hold; "No Timer" when
  // the platform refuses.
  void UpdateTimer();

 private:
  TTimerCore FCore{true, 1000};
  HWND FWindowHandle = nullptr;
};
