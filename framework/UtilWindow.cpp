// Hidden utility windows whose messages go to a function (timers, the
// application window).
#include <map>
#include <memory>

#include "framework/Classes.h"
#include "framework/Forms.h"

namespace {

const char kUtilClass[] = "TPUtilWindow";

std::map<HWND, std::shared_ptr<TWndMethod>>& Methods() {
  static std::map<HWND, std::shared_ptr<TWndMethod>> m;
  return m;
}

LRESULT CALLBACK UtilWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto it = Methods().find(h);
  if (it == Methods().end()) return DefWindowProcA(h, msg, wp, lp);
  std::shared_ptr<TWndMethod> method = it->second;  // survives DeallocateHWnd inside
  TMessage m{msg, wp, lp, 0};
  try {
    (*method)(m);
  } catch (const std::exception& e) {
    Application->HandleException(e);
  }
  return m.Result;
}

void RegisterUtilClass() {
  WNDCLASSA wc{};
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (GetClassInfoA(inst, kUtilClass, &wc)) return;
  wc = WNDCLASSA{};
  wc.lpfnWndProc = UtilWndProc;
  wc.hInstance = inst;
  wc.lpszClassName = kUtilClass;
  RegisterClassA(&wc);
}

}  // namespace

HWND AllocateHWnd(TWndMethod proc) {
  RegisterUtilClass();
  HWND h = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  if (!h) throw EOutOfResources("Error creating window");
  Methods()[h] = std::make_shared<TWndMethod>(std::move(proc));
  return h;
}

void DeallocateHWnd(HWND wnd) {
  if (!wnd) return;
  Methods().erase(wnd);
  DestroyWindow(wnd);
}
