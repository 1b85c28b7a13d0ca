// Extra controls: the panel (a plain container window) and the timer component
// (a window timer on its own hidden window).
//
// API notes: TTimer setters act only on a change and then re-arm the timer (the
// countdown restarts). SetOnTimer always re-arms (functions cannot be compared).
// The timer runs while Enabled, Interval > 0 and OnTimer is assigned. An exception
// in OnTimer goes to Application->HandleException.
#pragma once

#include "framework/Classes.h"
#include "framework/Controls.h"
#include "framework/TimerCore.h"
#include "framework/UtilWindow.h"

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* AOwner);
  TBevelCut BevelOuter = bvRaised;
  TBevelCut BevelInner = bvNone;

 protected:
  void CreateParams(TCreateParams& params) override;
};

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return FCore.Enabled(); }
  void SetEnabled(bool v);
  UINT Interval() const { return FCore.Interval(); }
  void SetInterval(UINT v);
  const TNotifyEvent& OnTimer() const { return FCore.OnTimer(); }
  void SetOnTimer(TNotifyEvent e);
  HWND WindowHandle() const { return FWindow.Handle(); }

 protected:
  virtual void Timer();  // runs OnTimer

 private:
  void UpdateTimer();
  void WndProc(TMessage& msg);

  TTimerCore FCore{true, 1000};
  TUtilWindow FWindow;
  bool FArmed = false;
};
