// TUtilWindow: a hidden top-level window that hands every message to one handler.
// The tray icon's callback window, the high-resolution timer's window and the timer
// pool's window are of this kind. The handler may destroy the TUtilWindow that calls
// it; the call finishes on its own copy. GUI thread only.
#pragma once

#include <functional>

#include "platform/winapi.h"

class TUtilWindow {
 public:
  using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

  explicit TUtilWindow(Handler handler);  // raises EOutOfResources when no window
  ~TUtilWindow();
  TUtilWindow(const TUtilWindow&) = delete;
  TUtilWindow& operator=(const TUtilWindow&) = delete;

  HWND Handle() const { return FHandle; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  Handler FHandler;
  HWND FHandle = nullptr;
};
