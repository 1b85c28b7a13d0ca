// TPlacementHook: the form-window hook of TFormPlacement that applies its minimum and
// maximum sizes (WM_GETMINMAXINFO) and, with PreventResize, keeps the window from
// being resized. Installed only while a limit is set, through the framework's
// TWindowHook, so it chains with the tray's hook on the same window and may be removed
// while a message runs through it. GUI thread only.
#pragma once

#include "framework/WindowHook.h"

class TFormPlacement;

class TPlacementHook {
 public:
  TPlacementHook(TFormPlacement* Placement, HWND Window);
  ~TPlacementHook();
  TPlacementHook(const TPlacementHook&) = delete;
  TPlacementHook& operator=(const TPlacementHook&) = delete;

  void Apply();  // the window's style after a change of PreventResize

 private:
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void MinMax(MINMAXINFO& info) const;

  TFormPlacement* FPlacement;
  HWND FWindow;
  TWindowHook FHook;
  bool FWindowDestroyed = false;  // later messages go straight through
};
