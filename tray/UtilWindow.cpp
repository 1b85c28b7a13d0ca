// Hidden message windows for the tray components.
#include "tray/UtilWindow.h"

#include "framework/SysUtils.h"

namespace {
const char kClassName[] = "TavixTrayUtilWindow";

void RegisterOnce(WNDPROC proc) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClassName;
  registered = RegisterClassA(&wc) != 0;
}
}  // namespace

TUtilWindow::TUtilWindow(Handler handler) : FHandler(std::move(handler)) {
  RegisterOnce(&TUtilWindow::Proc);
  FHandle = CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (!FHandle) throw EOutOfResources("Error creating window");
  SetWindowLongPtrA(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TUtilWindow::~TUtilWindow() {
  SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
  DestroyWindow(FHandle);
}

LRESULT CALLBACK TUtilWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TUtilWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || !self->FHandler) return DefWindowProcA(hwnd, msg, wp, lp);
  Handler h = self->FHandler;  // the handler may destroy *self
  return h(hwnd, msg, wp, lp);
}
