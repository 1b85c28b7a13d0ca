// The multimedia timer: each timeSetEvent timer runs on its own thread.
// timeKillEvent stops it and waits for a running callback, so no callback runs
// after it returns (called from inside the callback, it only stops the timer).
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/posix/Internal.h"

namespace posix {
namespace {

struct MmTimer {
  std::mutex m;
  std::condition_variable cv;
  bool stop = false;
  std::thread thread;
};

struct MmTimers {
  std::mutex m;
  std::map<UINT, std::shared_ptr<MmTimer>> all;
  UINT next = 1;
  ~MmTimers() {
    // Threads must not outlive the process's static objects.
    for (auto& [id, t] : all) {
      {
        std::lock_guard<std::mutex> lock(t->m);
        t->stop = true;
      }
      t->cv.notify_all();
      if (t->thread.joinable()) t->thread.join();
    }
  }
};

MmTimers& timers() {
  static MmTimers t;
  return t;
}

void run(std::shared_ptr<MmTimer> t, UINT id, UINT delay, LPTIMECALLBACK proc, DWORD_PTR user,
         bool periodic) {
  using clock = std::chrono::steady_clock;
  auto next = clock::now() + std::chrono::milliseconds(delay);
  std::unique_lock<std::mutex> lock(t->m);
  for (;;) {
    if (t->cv.wait_until(lock, next, [&] { return t->stop; })) return;
    lock.unlock();
    proc(id, 0, user, 0, 0);
    lock.lock();
    if (!periodic || t->stop) return;
    next += std::chrono::milliseconds(delay);
    if (next < clock::now()) next = clock::now();  // fell behind: do not burst
  }
}

}  // namespace
}  // namespace posix

namespace winapi {
using namespace posix;

UINT timeSetEvent(UINT delay, UINT, LPTIMECALLBACK proc, DWORD_PTR user, UINT flags) {
  if (!proc || delay < 1 || delay > 1000000) return 0;
  auto t = std::make_shared<MmTimer>();
  std::lock_guard<std::mutex> lock(timers().m);
  UINT id = timers().next++;
  bool periodic = (flags & TIME_PERIODIC) != 0;
  t->thread = std::thread(run, t, id, delay, proc, user, periodic);
  timers().all[id] = t;
  return id;
}

UINT timeKillEvent(UINT id) {
  std::shared_ptr<MmTimer> t;
  {
    std::lock_guard<std::mutex> lock(timers().m);
    auto it = timers().all.find(id);
    if (it == timers().all.end()) return TIMERR_NOCANDO;
    t = it->second;
    timers().all.erase(it);
  }
  {
    std::lock_guard<std::mutex> lock(t->m);
    t->stop = true;
  }
  t->cv.notify_all();
  if (t->thread.get_id() == std::this_thread::get_id())
    t->thread.detach();  // inside its own callback: it ends when the callback returns
  else if (t->thread.joinable())
    t->thread.join();
  return TIMERR_NOERROR;
}

UINT timeGetDevCaps(LPTIMECAPS caps, UINT size) {
  if (!caps || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
  caps->wPeriodMin = 1;
  caps->wPeriodMax = 1000000;
  return TIMERR_NOERROR;
}

UINT timeBeginPeriod(UINT period) { return period >= 1 ? TIMERR_NOERROR : TIMERR_NOCANDO; }
UINT timeEndPeriod(UINT period) { return period >= 1 ? TIMERR_NOERROR : TIMERR_NOCANDO; }

}  // namespace winapi
