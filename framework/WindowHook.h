// TWindowHook: subclasses one window with a handler, the one way this program hooks a
// window it did not make.
//
// Install replaces the window's procedure by a TProcThunk bound to the handler and keeps
// the one it replaced; the handler passes what it does not swallow on to Previous().
// Hooks chain: a second hook on the same window calls through the first. Remove puts the
// previous procedure back (unless the window is gone), and may run inside a call through
// the hook: that call still reaches the procedure it replaced through Previous(), and a
// window somebody hooked on top of us keeps a sound chain (the released thunk forwards to
// it). The destructor removes. GUI thread only.
#pragma once

#include <memory>

#include "framework/ProcThunk.h"

class TWindowHook {
 public:
  TWindowHook() = default;
  ~TWindowHook() { Remove(); }
  TWindowHook(const TWindowHook&) = delete;
  TWindowHook& operator=(const TWindowHook&) = delete;

  // False when already installed or the window has no procedure; EOutOfResources when
  // every thunk is taken.
  bool Install(HWND wnd, TProcThunk::Target handler);
  void Remove();

  bool Installed() const { return FPrevious != nullptr; }
  HWND Window() const { return FWindow; }
  // The procedure this hook replaced; after a Remove inside a call, still that one.
  WNDPROC Previous() const { return FPrevious ? FPrevious : FLastPrevious; }

 private:
  std::unique_ptr<TProcThunk> FThunk;
  HWND FWindow = nullptr;
  WNDPROC FPrevious = nullptr;      // not null exactly while installed
  WNDPROC FLastPrevious = nullptr;  // the last one saved, for a message in flight at Remove
};
