// Extra window data and properties (Get/SetWindowLong), the relations between
// windows (parent, owner, siblings), control ids, class names and window text.
#include <algorithm>
#include <cstring>

#include "platform/posix/Internal.h"

namespace winapi {
using namespace posix;

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  Window* w = findWindow(hwnd);
  if (!w) {
    SetLastError(1400);
    return 0;
  }
  if (index >= 0) {
    if (static_cast<size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) {
      SetLastError(1413);  // ERROR_INVALID_INDEX
      return 0;
    }
    LONG_PTR v;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->inst);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWL_ID:
      return reinterpret_cast<LONG_PTR>(w->menu);
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA:
      return w->userData;
  }
  SetLastError(1413);
  return 0;
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  Window* w = findWindow(hwnd);
  if (!w) {
    SetLastError(1400);
    return 0;
  }
  LONG_PTR old = GetWindowLongPtrA(hwnd, index);
  if (index >= 0) {
    if (static_cast<size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) return 0;
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  switch (index) {
    case GWLP_WNDPROC:
      w->proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GWLP_HINSTANCE:
      w->inst = reinterpret_cast<HINSTANCE>(value);
      break;
    case GWLP_HWNDPARENT:
      if (!(w->style & WS_CHILD)) w->owner = reinterpret_cast<HWND>(value);
      break;
    case GWL_ID:
      w->menu = reinterpret_cast<HMENU>(value);
      break;
    case GWL_STYLE:
      w->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | (w->style & WS_VISIBLE);
      notifyChanged(hwnd);
      break;
    case GWL_EXSTYLE:
      w->exStyle = static_cast<DWORD>(value);
      break;
    case GWLP_USERDATA:
      w->userData = value;
      break;
    default:
      return 0;
  }
  return old;
}

LONG GetWindowLongA(HWND hwnd, int index) {
  Window* w = findWindow(hwnd);
  if (w && index >= 0) {
    if (static_cast<size_t>(index) + sizeof(LONG) > w->extra.size()) {
      SetLastError(1413);
      return 0;
    }
    LONG v;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  Window* w = findWindow(hwnd);
  if (w && index >= 0) {
    if (static_cast<size_t>(index) + sizeof(LONG) > w->extra.size()) {
      SetLastError(1413);
      return 0;
    }
    LONG old;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

HWND GetParent(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w) return nullptr;
  return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = findWindow(hwnd);
  if (!w) {
    SetLastError(1400);
    return nullptr;
  }
  const std::vector<HWND>* siblings = &topLevelOrder();
  if (Window* p = findWindow(w->parent)) siblings = &p->children;
  auto it = std::find(siblings->begin(), siblings->end(), hwnd);
  switch (cmd) {
    case GW_CHILD:
      return w->children.empty() ? nullptr : w->children.front();
    case GW_OWNER:
      return w->owner;
    case GW_HWNDFIRST:
      return siblings->empty() ? nullptr : siblings->front();
    case GW_HWNDLAST:
      return siblings->empty() ? nullptr : siblings->back();
    case GW_HWNDNEXT:
      return (it != siblings->end() && it + 1 != siblings->end()) ? *(it + 1) : nullptr;
    case GW_HWNDPREV:
      return (it != siblings->end() && it != siblings->begin()) ? *(it - 1) : nullptr;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w || !(w->style & WS_CHILD)) return 0;
  return static_cast<int>(reinterpret_cast<intptr_t>(w->menu));
}

int GetClassNameA(HWND hwnd, LPSTR buf, int max) {
  Window* w = findWindow(hwnd);
  if (!w || !buf || max <= 0) return 0;
  size_t n = std::min(w->className.size(), static_cast<size_t>(max - 1));
  std::memcpy(buf, w->className.data(), n);
  buf[n] = 0;
  return static_cast<int>(n);
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (!findWindow(hwnd)) return FALSE;
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE
                                                                                       : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buf, int max) {
  if (!findWindow(hwnd) || !buf || max <= 0) return 0;
  buf[0] = 0;
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, max, reinterpret_cast<LPARAM>(buf)));
}

int GetWindowTextLengthA(HWND hwnd) {
  if (!findWindow(hwnd)) return 0;
  return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

}  // namespace winapi
