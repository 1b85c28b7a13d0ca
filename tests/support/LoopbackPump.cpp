// CallLater / PumpUntil: a hidden window whose timers run queued functions.
#include "tests/support/LoopbackPump.h"

#include <chrono>
#include <map>

#include "platform/winapi.h"

namespace {

std::map<int, std::function<void()>>& pending() {
  static std::map<int, std::function<void()>> p;
  return p;
}

LRESULT CALLBACK CallWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_TIMER) return DefWindowProcA(hwnd, msg, wp, lp);
  KillTimer(hwnd, wp);
  auto it = pending().find(static_cast<int>(wp));
  if (it == pending().end()) return 0;
  std::function<void()> fn = std::move(it->second);
  pending().erase(it);
  fn();
  return 0;
}

HWND callWindow() {
  static HWND hwnd = nullptr;
  if (hwnd && IsWindow(hwnd)) return hwnd;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(inst, "LoopbackCallWindow", &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = CallWndProc;
    wc.hInstance = inst;
    wc.lpszClassName = "LoopbackCallWindow";
    RegisterClassA(&wc);
  }
  hwnd = CreateWindowExA(0, "LoopbackCallWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, inst,
                         nullptr);
  return hwnd;
}

int nextId = 1;

}  // namespace

int CallLater(int ms, std::function<void()> fn) {
  int id = nextId++;
  pending()[id] = std::move(fn);
  SetTimer(callWindow(), static_cast<UINT_PTR>(id), static_cast<UINT>(ms), nullptr);
  return id;
}

void CancelCallLater(int id) {
  KillTimer(callWindow(), static_cast<UINT_PTR>(id));
  pending().erase(id);
}

bool PumpUntil(const std::function<bool()>& cond, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return true;
}
