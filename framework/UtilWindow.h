// Hidden windows: the one way this program makes a window that only receives messages.
// CreateHiddenWindow makes a top-level window with no parent and zero size whose
// messages go to one handler; TUtilWindow owns one (class "TPUtilWindow", never shown:
// the tray icon's callback window, the timers' windows). The application window is made
// the same way with a class and caption of its own. The handler may destroy the window
// that calls it; the call finishes on its own copy. GUI thread only.
#pragma once

#include "framework/Classes.h"
#include "framework/WindowBinding.h"

// Registers a plain window class of this module unless one of that name exists;
// false when that fails.
bool RegisterWindowClassOnce(const char* name, WNDPROC proc);

// A hidden window of class className (registered here unless it exists) whose messages
// go to handler; nullptr when it cannot be made. DestroyHiddenWindow unbinds and
// destroys it (nothing for nullptr).
HWND CreateHiddenWindow(TWindowHandler handler, const char* className, const char* caption,
                        DWORD exStyle);
void DestroyHiddenWindow(HWND wnd);

// A handler that gives each message to method as a TMessage and returns its Result; what
// method raises goes to Application->HandleException. Messages method leaves alone it
// gives to DefWindowProcA itself.
TWindowHandler MessageHandler(TWndMethod method);

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
