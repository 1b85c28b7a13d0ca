// The posted-message queue and the pump functions built on it.
#include "platform/posix/Messages.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>

#include "platform/posix/Display.h"
#include "platform/posix/EventLoop.h"
#include "platform/posix/Input.h"
#include "platform/posix/Internal.h"

namespace posix {
namespace {

std::mutex gQueueMutex;
std::deque<MSG> gQueue;
bool gQuit = false;
int gQuitCode = 0;

bool matches(const MSG& m, HWND hwnd, UINT first, UINT last) {
  if (first != 0 || last != 0)
    if (m.message < first || m.message > last) return false;
  if (hwnd == reinterpret_cast<HWND>(-1)) return m.hwnd == nullptr;
  if (hwnd) return m.hwnd == hwnd || isDescendant(hwnd, m.hwnd);
  return true;
}

// One retrieval attempt: posted messages, then WM_QUIT, then timers.
bool peekOnce(MSG* out, HWND hwnd, UINT first, UINT last, bool remove) {
  {
    std::lock_guard<std::mutex> lock(gQueueMutex);
    for (auto it = gQueue.begin(); it != gQueue.end(); ++it) {
      if (!matches(*it, hwnd, first, last)) continue;
      *out = *it;
      if (remove) gQueue.erase(it);
      return true;
    }
    bool quitWanted = (first == 0 && last == 0) || (first <= WM_QUIT && WM_QUIT <= last);
    if (gQuit && quitWanted) {
      *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(gQuitCode), 0, 0, {0, 0}};
      if (remove) gQuit = false;
      return true;
    }
  }
  return takeTimerMessage(out, hwnd, first, last, remove);
}

}  // namespace

void discardMessagesFor(HWND hwnd) {
  std::lock_guard<std::mutex> lock(gQueueMutex);
  for (auto it = gQueue.begin(); it != gQueue.end();)
    it = (it->hwnd == hwnd) ? gQueue.erase(it) : it + 1;
}

bool postedMessagePending() {
  std::lock_guard<std::mutex> lock(gQueueMutex);
  return !gQueue.empty() || gQuit;
}

}  // namespace posix

namespace winapi {
using namespace posix;

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  {
    // The table lock makes the handle check safe from any thread.
    std::lock_guard<std::mutex> tableLock(tableMutex());
    if (hwnd && !findWindow(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    MSG m{hwnd, msg, wp, lp, static_cast<DWORD>(nowMs()), {0, 0}};
    GetCursorPos(&m.pt);
    std::lock_guard<std::mutex> lock(gQueueMutex);
    gQueue.push_back(m);
  }
  wake();
  return TRUE;
}

UINT RegisterWindowMessageA(LPCSTR name) {
  static std::mutex mutex;
  static std::map<std::string, UINT> numbers;
  if (!name || !*name) return 0;
  std::string key(name);
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::lock_guard<std::mutex> lock(mutex);
  auto it = numbers.find(key);
  if (it != numbers.end()) return it->second;
  if (numbers.size() > 0xFFFF - 0xC000) return 0;
  const UINT number = static_cast<UINT>(0xC000 + numbers.size());
  numbers.emplace(key, number);
  return number;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = findWindow(hwnd);
  if (!w || !w->proc) return 0;
  WNDPROC p = w->proc;
  return p(hwnd, msg, wp, lp);
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT first, UINT last, UINT remove) {
  if (!msg) return FALSE;
  if (peekOnce(msg, hwnd, first, last, (remove & PM_REMOVE) != 0)) return TRUE;
  // Let ready sources (sockets, display input) post their messages, without waiting.
  waitSources(0);
  return peekOnce(msg, hwnd, first, last, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT first, UINT last) {
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !findWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  while (!peekOnce(msg, hwnd, first, last, true)) waitSources(-1);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG*) {
  // The display delivers WM_CHAR itself with the key that produced it.
  return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    dispatchTimerProc(*msg);
    return 0;
  }
  if (!msg->hwnd) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD ms, DWORD) {
  if (count != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  using steady = std::chrono::steady_clock;
  auto deadline = steady::now() + std::chrono::milliseconds(ms == INFINITE ? 0 : ms);
  for (;;) {
    MSG m;
    if (peekOnce(&m, nullptr, 0, 0, false)) return WAIT_OBJECT_0;
    int left = -1;
    if (ms != INFINITE) {
      auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now());
      left = static_cast<int>(std::max<int64_t>(0, rest.count()));
    }
    // Even a zero wait polls the sources once, so socket events are seen.
    if (waitSources(left)) return WAIT_OBJECT_0;
    if (left == 0) return WAIT_TIMEOUT;
  }
}

void PostQuitMessage(int exitCode) {
  {
    std::lock_guard<std::mutex> lock(gQueueMutex);
    gQuit = true;
    gQuitCode = exitCode;
  }
  wake();
}

}  // namespace winapi
