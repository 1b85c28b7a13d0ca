// Window timers: SetTimer / KillTimer and the WM_TIMER messages the queue makes
// from them when nothing else is waiting.
#include <algorithm>
#include <vector>

#include "platform/posix/EventLoop.h"
#include "platform/posix/Internal.h"
#include "platform/posix/Messages.h"

namespace posix {
namespace {

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT ms;
  TIMERPROC proc;
  uint64_t due;
};

std::vector<Timer> gTimers;
UINT_PTR gNextThreadTimerId = 1;

Timer* find(HWND hwnd, UINT_PTR id) {
  for (auto& t : gTimers)
    if (t.hwnd == hwnd && t.id == id) return &t;
  return nullptr;
}

bool filterMatches(const Timer& t, HWND hwnd, UINT first, UINT last) {
  if ((first || last) && (WM_TIMER < first || WM_TIMER > last)) return false;
  if (hwnd == reinterpret_cast<HWND>(-1)) return t.hwnd == nullptr;
  return !hwnd || t.hwnd == hwnd || isDescendant(hwnd, t.hwnd);
}

}  // namespace

bool takeTimerMessage(MSG* out, HWND hwnd, UINT first, UINT last, bool remove) {
  uint64_t now = nowMs();
  Timer* best = nullptr;
  for (auto& t : gTimers)
    if (t.due <= now && filterMatches(t, hwnd, first, last) && (!best || t.due < best->due))
      best = &t;
  if (!best) return false;
  *out = MSG{
      best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), static_cast<DWORD>(now),
      {0, 0}};
  if (remove) {
    // Coalesce: skip every period that has already passed.
    uint64_t periods = (now - best->due) / best->ms + 1;
    best->due += periods * best->ms;
  }
  return true;
}

bool dispatchTimerProc(const MSG& msg) {
  Timer* t = find(msg.hwnd, msg.wParam);
  if (!t || !t->proc || reinterpret_cast<LPARAM>(t->proc) != msg.lParam) return false;
  TIMERPROC proc = t->proc;
  proc(msg.hwnd, WM_TIMER, msg.wParam, static_cast<DWORD>(nowMs()));
  return true;
}

void killTimersOf(HWND hwnd) {
  gTimers.erase(std::remove_if(gTimers.begin(), gTimers.end(),
                               [&](const Timer& t) { return t.hwnd == hwnd; }),
                gTimers.end());
}

uint64_t nextTimerDeadline() {
  uint64_t due = UINT64_MAX;
  for (auto& t : gTimers) due = std::min(due, t.due);
  return due;
}

}  // namespace posix

namespace winapi {
using namespace posix;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc) {
  if (hwnd && !findWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  ms = std::max<UINT>(ms, 10);  // USER_TIMER_MINIMUM
  if (!hwnd) {
    // Thread timers get a fresh id unless an existing one is re-armed.
    if (!id || !find(nullptr, id)) id = gNextThreadTimerId++;
  }
  uint64_t due = nowMs() + ms;
  if (Timer* t = find(hwnd, id)) {
    t->ms = ms;
    t->proc = proc;
    t->due = due;
  } else {
    gTimers.push_back(Timer{hwnd, id, ms, proc, due});
  }
  wake();  // a waiting loop must see the new deadline
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto it = std::find_if(gTimers.begin(), gTimers.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == gTimers.end()) return FALSE;
  gTimers.erase(it);
  return TRUE;
}

}  // namespace winapi
