// Show state, bounds, placement records, focus and activation of windows.
//
// Geometry kept simple: a window with WS_CAPTION has a 16 px title bar and a frame
// of GetSystemMetrics(SM_CXFRAME) (sizing) or SM_CXDLGFRAME pixels on each side; a
// WS_BORDER-only window a 1 px border. The client area is what is left.
#include <algorithm>

#include "platform/posix/Display.h"
#include "platform/posix/Internal.h"

namespace posix {
namespace {

HWND gFocus = nullptr;
HWND gActive = nullptr;

LRESULT sendIf(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return findWindow(hwnd) ? SendMessageA(hwnd, msg, wp, lp) : 0;
}

void bringToTop(HWND hwnd) {
  auto& order = topLevelOrder();
  auto it = std::find(order.begin(), order.end(), hwnd);
  if (it == order.end()) return;
  order.erase(it);
  order.insert(order.begin(), hwnd);
}

void activate(HWND hwnd) {
  hwnd = topLevelOf(hwnd);
  if (hwnd == gActive) {
    if (hwnd) bringToTop(hwnd);
    return;
  }
  HWND old = gActive;
  gActive = hwnd;
  if (old) sendIf(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  if (hwnd) {
    bringToTop(hwnd);
    sendIf(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  }
  if (old) notifyChanged(old);
  if (hwnd) notifyChanged(hwnd);
}

RECT maximizedRect(Window& w) {
  if (Window* p = findWindow(w.parent); p && (w.style & WS_CHILD)) return clientRectOf(*p);
  int f = frameWidth(w.style);
  MINMAXINFO mmi{};
  mmi.ptMaxSize = {display().screenWidth() + 2 * f, display().workAreaHeight() + 2 * f};
  mmi.ptMaxPosition = {-f, -f};
  mmi.ptMinTrackSize = {112, 27};
  mmi.ptMaxTrackSize = mmi.ptMaxSize;
  SendMessageA(w.self, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  return RECT{mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxPosition.x + mmi.ptMaxSize.x,
              mmi.ptMaxPosition.y + mmi.ptMaxSize.y};
}

void sendSize(HWND hwnd, WPARAM kind) {
  Window* w = findWindow(hwnd);
  if (!w) return;
  RECT c = clientRectOf(*w);
  sendIf(hwnd, WM_SIZE, kind, MAKELPARAM(c.right, c.bottom));
}

void setVisible(HWND hwnd, bool visible) {
  Window* w = findWindow(hwnd);
  if (!w || ((w->style & WS_VISIBLE) != 0) == visible) return;
  sendIf(hwnd, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
  if ((w = findWindow(hwnd)) == nullptr) return;
  if (visible)
    w->style |= WS_VISIBLE;
  else
    w->style &= ~WS_VISIBLE;
  notifyChanged(hwnd);
}

void minimize(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w || (w->style & WS_MINIMIZE)) return;
  w->restoreToMax = (w->style & WS_MAXIMIZE) != 0;
  w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
  // Minimised windows sit out of sight, as on Windows.
  RECT r{-32000, -32000, -32000 + 160, -32000 + 24};
  setRect(hwnd, r);
  sendSize(hwnd, SIZE_MINIMIZED);
}

void maximize(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w || (w->style & WS_MAXIMIZE)) return;
  RECT r = maximizedRect(*w);
  if ((w = findWindow(hwnd)) == nullptr) return;
  w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
  w->restoreToMax = false;
  setRect(hwnd, r);
  sendSize(hwnd, SIZE_MAXIMIZED);
}

void restore(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w || !(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) return;
  w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  w->restoreToMax = false;
  setRect(hwnd, w->normalRect);
  sendSize(hwnd, SIZE_RESTORED);
}

}  // namespace

int frameWidth(DWORD style) {
  if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME))
    return (style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME) : GetSystemMetrics(SM_CXDLGFRAME);
  if (style & (WS_BORDER | WS_DLGFRAME)) return 1;
  return 0;
}

int captionHeight(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION ? 16 : 0; }

RECT clientRectOf(const Window& w) {
  int f = frameWidth(w.style);
  int cw = (w.rect.right - w.rect.left) - 2 * f;
  int ch = (w.rect.bottom - w.rect.top) - 2 * f - captionHeight(w.style);
  return RECT{0, 0, std::max(0, cw), std::max(0, ch)};
}

POINT clientOrigin(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w) return POINT{0, 0};
  POINT base{0, 0};
  if (w->style & WS_CHILD) base = clientOrigin(w->parent);
  int f = frameWidth(w->style);
  return POINT{base.x + w->rect.left + f, base.y + w->rect.top + f + captionHeight(w->style)};
}

void setRect(HWND hwnd, const RECT& r) {
  Window* w = findWindow(hwnd);
  if (!w) return;
  RECT old = w->rect;
  w->rect = r;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = r;
  bool moved = old.left != r.left || old.top != r.top;
  bool sized =
      (old.right - old.left) != (r.right - r.left) || (old.bottom - old.top) != (r.bottom - r.top);
  if (moved) sendIf(hwnd, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
  if (sized && !(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) sendSize(hwnd, SIZE_RESTORED);
  if (moved || sized) notifyChanged(hwnd);
}

void forgetFocus(HWND dying) {
  if (gFocus && isDescendant(dying, gFocus)) {
    HWND old = gFocus;
    gFocus = nullptr;
    sendIf(old, WM_KILLFOCUS, 0, 0);
  }
}

void activateNext(HWND leaving) {
  // Only a top-level window going away hands activation on; a child never does.
  if (!gActive || gActive != leaving) return;
  HWND next = nullptr;
  for (HWND t : topLevelOrder()) {
    Window* w = findWindow(t);
    if (t != gActive && w && (w->style & WS_VISIBLE) && !(w->style & WS_MINIMIZE) &&
        !w->destroying) {
      next = t;
      break;
    }
  }
  if (gFocus && isDescendant(gActive, gFocus)) forgetFocus(gActive);
  activate(next);
}

}  // namespace posix

namespace winapi {
using namespace posix;

BOOL ShowWindow(HWND hwnd, int cmd) {
  Window* w = findWindow(hwnd);
  if (!w) return FALSE;
  BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  bool top = !(w->style & WS_CHILD);
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      setVisible(hwnd, false);
      forgetFocus(hwnd);
      activateNext(hwnd);
      break;
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
      restore(hwnd);
      setVisible(hwnd, true);
      if (cmd == SW_SHOWNORMAL && top) activate(hwnd);
      break;
    case SW_RESTORE:
      if (findWindow(hwnd)->restoreToMax && (findWindow(hwnd)->style & WS_MINIMIZE)) {
        findWindow(hwnd)->style &= ~WS_MINIMIZE;
        maximize(hwnd);
      } else {
        restore(hwnd);
      }
      setVisible(hwnd, true);
      if (top) activate(hwnd);
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      minimize(hwnd);
      setVisible(hwnd, true);
      if (cmd == SW_SHOWMINIMIZED && top)
        activate(hwnd);
      else
        activateNext(hwnd);
      break;
    case SW_SHOWMAXIMIZED:
      maximize(hwnd);
      setVisible(hwnd, true);
      if (top) activate(hwnd);
      break;
    case SW_SHOW:
      setVisible(hwnd, true);
      if (top) activate(hwnd);
      break;
    case SW_SHOWNA:
      setVisible(hwnd, true);
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd) {
  for (Window* w = findWindow(hwnd); w; w = findWindow(w->parent)) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!(w->style & WS_CHILD)) return TRUE;
  }
  return hwnd && findWindow(hwnd) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  Window* w = findWindow(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  Window* w = findWindow(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = findWindow(hwnd);
  if (!w) return FALSE;
  BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if ((enable != FALSE) == !wasDisabled) return wasDisabled;
  if (enable)
    w->style &= ~WS_DISABLED;
  else
    w->style |= WS_DISABLED;
  if (!enable) forgetFocus(hwnd);
  SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  notifyChanged(hwnd);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = findWindow(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
  Window* w = findWindow(hwnd);
  if (!w) return FALSE;
  RECT r{x, y, x + width, y + height};
  if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) {
    // Windows moves a minimised or maximised window's restored bounds only.
    w->normalRect = r;
    return TRUE;
  }
  setRect(hwnd, r);
  return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  Window* w = findWindow(hwnd);
  if (!w || !rect) return FALSE;
  POINT base{0, 0};
  if (w->style & WS_CHILD) base = clientOrigin(w->parent);
  *rect = RECT{base.x + w->rect.left, base.y + w->rect.top, base.x + w->rect.right,
               base.y + w->rect.bottom};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  Window* w = findWindow(hwnd);
  if (!w || !rect) return FALSE;
  *rect = clientRectOf(*w);
  return TRUE;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* wp) {
  Window* w = findWindow(hwnd);
  if (!w || !wp) return FALSE;
  wp->length = sizeof(WINDOWPLACEMENT);
  wp->flags = (w->style & WS_MINIMIZE) && w->restoreToMax ? WPF_RESTORETOMAXIMIZED : 0;
  wp->showCmd = (w->style & WS_MINIMIZE)   ? SW_SHOWMINIMIZED
                : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                           : SW_SHOWNORMAL;
  wp->ptMinPosition = w->minPos;
  wp->ptMaxPosition = w->maxPos;
  wp->rcNormalPosition = w->normalRect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp) {
  Window* w = findWindow(hwnd);
  if (!w || !wp) return FALSE;
  if (wp->flags & WPF_SETMINPOSITION) w->minPos = wp->ptMinPosition;
  w->maxPos = wp->ptMaxPosition;
  w->normalRect = wp->rcNormalPosition;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) setRect(hwnd, wp->rcNormalPosition);
  if ((w = findWindow(hwnd)) == nullptr) return FALSE;
  if (wp->showCmd == SW_HIDE) {
    // A hidden record only fixes the state the window will show in later.
    ShowWindow(hwnd, SW_HIDE);
    return TRUE;
  }
  if ((wp->showCmd == SW_SHOWMINIMIZED || wp->showCmd == SW_MINIMIZE ||
       wp->showCmd == SW_SHOWMINNOACTIVE) &&
      (wp->flags & WPF_RESTORETOMAXIMIZED))
    w->style |= WS_MAXIMIZE;
  ShowWindow(hwnd, static_cast<int>(wp->showCmd));
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
  if (hwnd && !findWindow(hwnd)) return FALSE;
  if (hwnd) notifyChanged(hwnd);
  return TRUE;
}

HWND SetFocus(HWND hwnd) {
  if (hwnd && !findWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND old = gFocus;
  if (hwnd == old) return old;
  if (hwnd && topLevelOf(hwnd) != gActive) activate(hwnd);
  if (!findWindow(hwnd) && hwnd) return old;
  gFocus = hwnd;
  if (findWindow(old)) {
    sendIf(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    notifyChanged(old);
  }
  if (hwnd && gFocus == hwnd) {
    sendIf(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    notifyChanged(hwnd);
  }
  return findWindow(old) ? old : nullptr;
}

HWND GetFocus() { return findWindow(gFocus) ? gFocus : nullptr; }
HWND GetActiveWindow() { return findWindow(gActive) ? gActive : nullptr; }

HWND SetActiveWindow(HWND hwnd) {
  HWND old = GetActiveWindow();
  if (hwnd && !findWindow(hwnd)) return nullptr;
  activate(hwnd);
  return old;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (!findWindow(hwnd)) return FALSE;
  activate(hwnd);
  return TRUE;
}

}  // namespace winapi
