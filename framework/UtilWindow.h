// TUtilWindow: a hidden top-level window (class "TPUtilWindow", never shown) that hands
// every message to one handler. The tray icon's callback window, the timers' windows and
// the application window are of this kind; AllocateHWnd (framework/Classes.h) makes the
// same window for a TWndMethod. The handler may destroy the TUtilWindow that calls it;
// the call finishes on its own copy. GUI thread only.
#pragma once

#include "framework/WindowBinding.h"

// Registers a plain window class of this module unless one of that name exists;
// false when that fails.
bool RegisterWindowClassOnce(const char* name, WNDPROC proc);

class TUtilWindow {
 public:
  explicit TUtilWindow(TWindowHandler handler);  // raises EOutOfResources when no window
  ~TUtilWindow();
  TUtilWindow(const TUtilWindow&) = delete;
  TUtilWindow& operator=(const TUtilWindow&) = delete;

  HWND Handle() const { return FHandle; }

 private:
  HWND FHandle;
};
