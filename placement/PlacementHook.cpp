// The min/max and no-resize hook of the placement component.
#include "placement/PlacementHook.h"

#include <exception>

#include "framework/Forms.h"
#include "placement/Placement.h"

namespace {
const LRESULT kFirstSizingHit = 10;  // HTLEFT .. HTBOTTOMRIGHT
const LRESULT kLastSizingHit = 17;
}  // namespace

TPlacementHook::TPlacementHook(TFormPlacement* Placement, HWND Window)
    : FPlacement(Placement), FWindow(Window) {
  try {
    FHook.Install(Window, [this](HWND, UINT m, WPARAM wp, LPARAM lp) { return Handle(m, wp, lp); });
  } catch (const std::exception&) {
    // no thunk left: the window keeps its own limits
  }
}

TPlacementHook::~TPlacementHook() = default;  // the hook removes itself

void TPlacementHook::Apply() {
  if (!FHook.Installed() || !FPlacement->PreventResize()) return;
  LONG style = GetWindowLongA(FWindow, GWL_STYLE);
  SetWindowLongA(FWindow, GWL_STYLE, style & ~LONG(WS_MAXIMIZEBOX));
}

LRESULT TPlacementHook::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = CallWindowProcA(FHook.Previous(), FWindow, msg, wp, lp);
  if (FWindowDestroyed) return result;
  if (msg == WM_DESTROY) {
    FWindowDestroyed = true;
    return result;
  }
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
