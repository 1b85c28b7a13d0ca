// The default window procedure: what every window does with a message its own
// procedure passes on.
#include <algorithm>
#include <cstring>

#include "platform/posix/Internal.h"

namespace winapi {
using namespace posix;

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = findWindow(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
      if (cs && cs->lpszName) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_CLOSE:
          SendMessageA(hwnd, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(hwnd, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(hwnd, SW_MAXIMIZE);
          break;
        case SC_RESTORE:
          ShowWindow(hwnd, SW_RESTORE);
          break;
      }
      return 0;
    case WM_SETTEXT:
      // A fresh string, so that emptying a long text gives its memory back.
      std::string(lp ? reinterpret_cast<const char*>(lp) : "").swap(w->text);
      notifyChanged(hwnd);
      return TRUE;
    case WM_GETTEXT: {
      if (wp == 0 || !lp) return 0;
      size_t n = std::min(w->text.size(), static_cast<size_t>(wp - 1));
      std::memcpy(reinterpret_cast<char*>(lp), w->text.data(), n);
      reinterpret_cast<char*>(lp)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_SYSKEYDOWN:
      // Alt+F4 asks the top-level window to close.
      if (wp == VK_F4) SendMessageA(topLevelOf(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_MOUSEWHEEL:
      // Unhandled wheel turns go to the parent, as on Windows.
      if (Window* p = findWindow(w->parent); p && (w->style & WS_CHILD))
        return SendMessageA(p->self, msg, wp, lp);
      return 0;
  }
  return 0;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return proc ? proc(hwnd, msg, wp, lp) : 0;
}

}  // namespace winapi
