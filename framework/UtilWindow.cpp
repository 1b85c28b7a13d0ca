// Hidden windows whose messages go to a function (timers, the tray icon, the application
// window).
#include "framework/UtilWindow.h"

#include "framework/Forms.h"

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

HWND CreateHiddenWindow(TWindowHandler handler, const char* className, const char* caption,
                        DWORD exStyle) {
  RegisterWindowClassOnce(className, BoundWindowProc);
  HWND h = CreateWindowExA(exStyle, className, caption, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  if (h) BindWindow(h, nullptr, std::move(handler));
  return h;
}

void DestroyHiddenWindow(HWND wnd) {
  if (!wnd) return;
  UnbindWindow(wnd);
  DestroyWindow(wnd);
}

TWindowHandler MessageHandler(TWndMethod method) {
  return [method = std::move(method)](HWND, UINT msg, WPARAM wp, LPARAM lp) {
    TMessage m{msg, wp, lp, 0};
    try {
      method(m);
    } catch (const std::exception& e) {
      Application->HandleException(e);
    }
    return m.Result;
  };
}

TUtilWindow::TUtilWindow(TWindowHandler handler)
    : FHandle(CreateHiddenWindow(std::move(handler), "TPUtilWindow", "", WS_EX_TOOLWINDOW)) {
  if (!FHandle) throw EOutOfResources("Error creating window");
}

TUtilWindow::~TUtilWindow() { DestroyHiddenWindow(FHandle); }
