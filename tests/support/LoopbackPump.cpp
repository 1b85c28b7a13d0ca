// CallLater / PumpUntil: a hidden window whose timers run queued functions.
// FailTestsThatHang: a thread that watches how long the running test has taken.
#include "tests/support/LoopbackPump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>

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

// The dispatch loop checks the condition and the deadline too: a source that posts on
// every look (an event that should have been posted once) would keep it busy for ever.
bool PumpUntil(const std::function<bool()>& cond, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto passed = [&] { return std::chrono::steady_clock::now() >= deadline; };
  while (!cond()) {
    if (passed()) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (!cond() && !passed() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return true;
}

namespace {

// Never freed: the watching thread outlives main's statics.
struct HangWatch {
  std::mutex m;
  std::condition_variable cv;
  unsigned long long started = 0;  // tests started; the watch follows the latest
  bool running = false;
  std::string name;
  std::chrono::milliseconds bound{0};
};

void watchLoop(HangWatch& w) {
  std::unique_lock<std::mutex> lock(w.m);
  for (;;) {
    w.cv.wait(lock, [&] { return w.running; });
    const unsigned long long test = w.started;
    if (w.cv.wait_for(lock, w.bound, [&] { return !w.running || w.started != test; })) continue;
    std::fprintf(stderr, "\n[  FAILED  ] %s did not end within %lld ms: a wait never ended\n",
                 w.name.c_str(), static_cast<long long>(w.bound.count()));
    std::fflush(stderr);
    std::_Exit(1);
  }
}

class HangListener : public ::testing::EmptyTestEventListener {
 public:
  explicit HangListener(HangWatch& w) : w_(w) {}
  void OnTestStart(const ::testing::TestInfo& info) override {
    std::lock_guard<std::mutex> lock(w_.m);
    ++w_.started;
    w_.running = true;
    w_.name = std::string(info.test_suite_name()) + "." + info.name();
    w_.cv.notify_all();
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::lock_guard<std::mutex> lock(w_.m);
    w_.running = false;
    w_.cv.notify_all();
  }

 private:
  HangWatch& w_;
};

}  // namespace

void FailTestsThatHang(int boundMs) {
  static HangWatch* watch = nullptr;
  if (watch) return;
  watch = new HangWatch;
  watch->bound = std::chrono::milliseconds(boundMs);
  ::testing::UnitTest::GetInstance()->listeners().Append(new HangListener(*watch));
  std::thread([] { watchLoop(*watch); }).detach();
}
