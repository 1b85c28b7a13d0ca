// The min/max and no-resize hook of the placement component.
#include "placement/PlacementHook.h"

#include <map>

#include "framework/Forms.h"
#include "placement/Placement.h"

namespace {
// One hook per window: the procedure finds its hook by window.
std::map<HWND, TPlacementHook*>& Hooks() {
  static std::map<HWND, TPlacementHook*> hooks;
  return hooks;
}
const LRESULT kFirstSizingHit = 10;  // HTLEFT .. HTBOTTOMRIGHT
const LRESULT kLastSizingHit = 17;
}  // namespace

TPlacementHook::TPlacementHook(TFormPlacement* Placement, HWND Window)
    : FPlacement(Placement), FWindow(Window) {
  if (!Window || Hooks().count(Window)) return;
  FPrevious = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Window, GWLP_WNDPROC));
  if (!FPrevious) return;
  Hooks()[Window] = this;
  SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TPlacementHook::Proc));
}

TPlacementHook::~TPlacementHook() {
  if (!FPrevious) return;
  Hooks().erase(FWindow);
  if (IsWindow(FWindow))
    SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevious));
}

void TPlacementHook::Apply() {
  if (!FPrevious || !FPlacement->PreventResize()) return;
  LONG style = GetWindowLongA(FWindow, GWL_STYLE);
  SetWindowLongA(FWindow, GWL_STYLE, style & ~LONG(WS_MAXIMIZEBOX));
}

LRESULT CALLBACK TPlacementHook::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto it = Hooks().find(hwnd);
  if (it == Hooks().end()) return DefWindowProcA(hwnd, msg, wp, lp);
  return it->second->Handle(msg, wp, lp);
}

LRESULT TPlacementHook::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC previous = FPrevious;
  HWND window = FWindow;
  if (msg == WM_DESTROY) Hooks().erase(window);  // later messages go straight through
  LRESULT result = CallWindowProcA(previous, window, msg, wp, lp);
  if (msg == WM_GETMINMAXINFO && lp) MinMax(*reinterpret_cast<MINMAXINFO*>(lp));
  if (msg == WM_NCHITTEST && FPlacement->PreventResize() && result >= kFirstSizingHit &&
      result <= kLastSizingHit)
    result = HTNOWHERE;
  return result;
}

void TPlacementHook::MinMax(MINMAXINFO& info) const {
  TWinMinMaxInfo& m = *FPlacement->MinMaxInfo();
  auto set = [](LONG& field, int value) {
    if (value != 0) field = value;
  };
  set(info.ptMinTrackSize.x, m.MinTrackWidth);
  set(info.ptMinTrackSize.y, m.MinTrackHeight);
  set(info.ptMaxTrackSize.x, m.MaxTrackWidth);
  set(info.ptMaxTrackSize.y, m.MaxTrackHeight);
  set(info.ptMaxSize.x, m.MaxSizeWidth);
  set(info.ptMaxSize.y, m.MaxSizeHeight);
  set(info.ptMaxPosition.x, m.MaxPosLeft);
  set(info.ptMaxPosition.y, m.MaxPosTop);
  if (FPlacement->PreventResize() && IsWindowVisible(FWindow)) {
    RECT r{};
    GetWindowRect(FWindow, &r);
    info.ptMinTrackSize = POINT{r.right - r.left, r.bottom - r.top};
    info.ptMaxTrackSize = info.ptMinTrackSize;
  }
}
