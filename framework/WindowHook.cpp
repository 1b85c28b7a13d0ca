// Subclassing through a procedure thunk, with safe removal.
#include "framework/WindowHook.h"

bool TWindowHook::Install(HWND wnd, TProcThunk::Target handler) {
  if (!wnd || Installed()) return false;
  auto thunk = std::make_unique<TProcThunk>(std::move(handler));
  auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd, GWLP_WNDPROC));
  if (!previous) return false;
  FThunk = std::move(thunk);
  FWindow = wnd;
  FPrevious = previous;
  FLastPrevious = previous;
  FThunk->SetFallback(previous);
  SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FThunk->Proc()));
  return true;
}

void TWindowHook::Remove() {
  // A destroyed window is gone from the system's table; a live one gets its previous
  // procedure back even if somebody subclassed it after us.
  if (FPrevious && FWindow && IsWindow(FWindow))
    SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevious));
  FPrevious = nullptr;
  FThunk.reset();  // a call still running through it keeps its own copy
}
