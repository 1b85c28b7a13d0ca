// The socket and timer windows: class registration, creation and their procedures.
#include "socket/SocketWindows.h"

#include <exception>

#include "framework/Forms.h"
#include "framework/UtilWindow.h"
#include "socket/SocketClient.h"
#include "socket/ThreadTimer.h"

namespace {

LRESULT CALLBACK SocketWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCDESTROY) UnbindWindow(hwnd);
  auto* owner = dynamic_cast<TSocketClient*>(BoundObject(hwnd));
  if (owner && msg >= SocketEventMessage) {
    owner->HandleSocketMessage(msg, wp, lp);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TimerWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCDESTROY) UnbindWindow(hwnd);
  auto* owner = dynamic_cast<TThreadTimer*>(BoundObject(hwnd));
  if (!owner) return DefWindowProcA(hwnd, msg, wp, lp);  // still being created
  if (msg == WM_ACTIVATEAPP) return 0;
  if (msg != WM_TIMER) return DefWindowProcA(hwnd, msg, wp, lp);
  try {
    owner->Trigger();
  } catch (const std::exception& e) {
    if (Application) Application->HandleException(e);
  } catch (...) {
    // nothing useful to show; a tick must not unwind through the dispatcher
  }
  return 0;
}

HWND AllocateWindow(const char* className, WNDPROC proc, TObject* owner) {
  if (!RegisterWindowClassOnce(className, proc)) return nullptr;
  HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  if (hwnd && owner) BindWindow(hwnd, owner);
  return hwnd;
}

}  // namespace

HWND AllocateSocketWindow(TSocketClient* owner) {
  return AllocateWindow("SocketWindowClass", SocketWndProc, owner);
}

HWND AllocateTimerWindow(TThreadTimer* owner) {
  return AllocateWindow("TmrWindowClass", TimerWndProc, owner);
}
