// Hidden utility windows whose messages go to a function (timers, the tray icon, the
// application window).
#include "framework/UtilWindow.h"

#include "framework/Classes.h"
#include "framework/Forms.h"

namespace {

const char kUtilClass[] = "TPUtilWindow";

HWND CreateUtilWindow(TWindowHandler handler) {
  RegisterWindowClassOnce(kUtilClass, BoundWindowProc);
  HWND h = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  if (!h) throw EOutOfResources("Error creating window");
  BindWindow(h, nullptr, std::move(handler));
  return h;
}

}  // namespace

bool RegisterWindowClassOnce(const char* name, WNDPROC proc) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (GetClassInfoA(inst, name, &wc)) return true;
  wc = WNDCLASSA{};
  wc.lpfnWndProc = proc;
  wc.hInstance = inst;
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0;
}

TUtilWindow::TUtilWindow(TWindowHandler handler) : FHandle(CreateUtilWindow(std::move(handler))) {}

TUtilWindow::~TUtilWindow() { DeallocateHWnd(FHandle); }

HWND AllocateHWnd(TWndMethod proc) {
  return CreateUtilWindow([proc = std::move(proc)](HWND, UINT msg, WPARAM wp, LPARAM lp) {
    TMessage m{msg, wp, lp, 0};
    try {
      proc(m);
    } catch (const std::exception& e) {
      Application->HandleException(e);
    }
    return m.Result;
  });
}

void DeallocateHWnd(HWND wnd) {
  if (!wnd) return;
  UnbindWindow(wnd);
  DestroyWindow(wnd);
}
