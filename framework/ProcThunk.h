// A window procedure bound to one object, for subclassing a window.
//
// The platform calls window procedures through a plain function pointer, so each
// thunk owns one slot of a fixed table of distinct static procedures; the slot
// forwards to the thunk's target. Distinct addresses matter: two hooks on the same
// window chain through each other's procedure, and each must reach its own target.
//
// Releasing a thunk (destroying it) while a call runs through it is safe: the call
// holds its own copy of the target. After release the slot forwards to the fallback
// procedure (the one the hook replaced), so a window that somebody subclassed on top
// of us still reaches a sound procedure. Freed slots are reused last-freed-last.
// GUI thread only.
#pragma once

#include <functional>
#include <memory>

#include "platform/winapi.h"

class TProcThunk {
 public:
  using Target = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

  // Raises EOutOfResources when every slot is taken.
  explicit TProcThunk(Target target);
  ~TProcThunk();
  TProcThunk(const TProcThunk&) = delete;
  TProcThunk& operator=(const TProcThunk&) = delete;

  WNDPROC Proc() const;
  void SetFallback(WNDPROC previous);  // where the slot forwards once released

  static constexpr int SlotCount = 64;

 private:
  int FSlot;
};
