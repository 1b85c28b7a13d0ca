// TPlacementHook: the form-window hook of TFormPlacement that applies its minimum and
// maximum sizes (WM_GETMINMAXINFO) and, with PreventResize, keeps the window from
// being resized. Installed only while a limit is set; removal puts the previous
// window procedure back. GUI thread only.
#pragma once

#include "platform/winapi.h"

class TFormPlacement;

class TPlacementHook {
 public:
  TPlacementHook(TFormPlacement* Placement, HWND Window);
  ~TPlacementHook();
  TPlacementHook(const TPlacementHook&) = delete;
  TPlacementHook& operator=(const TPlacementHook&) = delete;

  void Apply();  // the window's style after a change of PreventResize

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void MinMax(MINMAXINFO& info) const;

  TFormPlacement* FPlacement;
  HWND FWindow;
  WNDPROC FPrevious = nullptr;
};
