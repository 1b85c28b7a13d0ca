// Hidden utility windows whose messages go to a function (timers, the tray icon, the
// application window).
#include "framework/UtilWindow.h"

#include "framework/Classes.h"
#include "framework/Forms.h"

namespace {

const char kUtilClass[] = "TPUtilWindow";

void RegisterUtilClass() {
  WNDCLASSA wc{};
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (GetClassInfoA(inst, kUtilClass, &wc)) return;
  wc = WNDCLASSA{};
  wc.lpfnWndProc = BoundWindowProc;
  wc.hInstance = inst;
  wc.lpszClassName = kUtilClass;
  RegisterClassA(&wc);
}

HWND CreateUtilWindow(TWindowHandler handler) {
  RegisterUtilClass();
  HWND h = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  if (!h) throw EOutOfResources("Error creating window");
  BindWindow(h, nullptr, std::move(handler));
  return h;
}

}  // namespace

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
