// "msctls_updown32": the arrows of a spin box. A step (click in the upper or lower
// half, VK_UP / VK_DOWN) asks the parent with WM_NOTIFY UDN_DELTAPOS; unless the
// parent returns non-zero the position moves (clamped to the range) and, when it
// changed, the parent gets WM_VSCROLL SB_THUMBPOSITION with the new position.
#include <algorithm>
#include <string>

#include "platform/posix/Internal.h"
#include "platform/posix/controls/Controls.h"

namespace posix {
namespace {

struct UpDownData : ControlData {
  int lo = 0, hi = 100;
  int pos = 0;
  HWND buddy = nullptr;
};

UpDownData* data(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w) return nullptr;
  if (!w->control) w->control = std::make_unique<UpDownData>();
  return dynamic_cast<UpDownData*>(w->control.get());
}

int clampPos(const UpDownData& d, int v) {
  int a = std::min(d.lo, d.hi), b = std::max(d.lo, d.hi);
  return std::clamp(v, a, b);
}

void updateBuddy(HWND hwnd, const UpDownData& d) {
  if ((GetWindowLongA(hwnd, GWL_STYLE) & UDS_SETBUDDYINT) && IsWindow(d.buddy))
    SetWindowTextA(d.buddy, std::to_string(d.pos).c_str());
}

void step(HWND hwnd, int delta) {
  UpDownData* d = data(hwnd);
  HWND parent = GetParent(hwnd);
  if (!d || !IsWindowEnabled(hwnd)) return;
  NMUPDOWN nm{};
  nm.hdr.hwndFrom = hwnd;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  nm.hdr.code = UDN_DELTAPOS;
  nm.iPos = d->pos;
  nm.iDelta = d->lo > d->hi ? -delta : delta;
  if (parent && SendMessageA(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm)))
    return;
  if ((d = data(hwnd)) == nullptr) return;
  int next = clampPos(*d, d->pos + nm.iDelta);
  if (next == d->pos) return;
  d->pos = next;
  updateBuddy(hwnd, *d);
  notifyChanged(hwnd);
  if (parent && IsWindow(parent))
    SendMessageA(parent, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(next)),
                 reinterpret_cast<LPARAM>(hwnd));
}

}  // namespace

LRESULT CALLBACK upDownProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  UpDownData* d = data(hwnd);
  if (!d) return 0;
  switch (msg) {
    case WM_LBUTTONDOWN: {
      RECT r;
      GetClientRect(hwnd, &r);
      step(hwnd, GET_Y_LPARAM(lp) < r.bottom / 2 ? 1 : -1);
      return 0;
    }
    case WM_KEYDOWN:
      if (wp == VK_UP) step(hwnd, 1);
      if (wp == VK_DOWN) step(hwnd, -1);
      return 0;
    case UDM_SETRANGE32:
      d->lo = static_cast<int>(wp);
      d->hi = static_cast<int>(lp);
      return 0;
    case UDM_GETRANGE32:
      if (wp) *reinterpret_cast<INT*>(wp) = d->lo;
      if (lp) *reinterpret_cast<INT*>(lp) = d->hi;
      return 0;
    case UDM_SETPOS32: {
      int old = d->pos;
      d->pos = clampPos(*d, static_cast<int>(lp));
      updateBuddy(hwnd, *d);
      notifyChanged(hwnd);
      return old;
    }
    case UDM_GETPOS32:
      if (lp) *reinterpret_cast<BOOL*>(lp) = FALSE;
      return d->pos;
    case UDM_SETBUDDY: {
      HWND old = d->buddy;
      d->buddy = reinterpret_cast<HWND>(wp);
      return reinterpret_cast<LRESULT>(old);
    }
    case UDM_GETBUDDY:
      return reinterpret_cast<LRESULT>(d->buddy);
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace posix
