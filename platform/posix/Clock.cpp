// The platform clock (real or manual) and the time functions built on it.
#include <time.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/posix/EventLoop.h"
#include "platform/posix/Internal.h"
#include "platform/posix/Seams.h"

namespace posix {
namespace {

class RealClock : public Clock {
 public:
  int64_t localMs() override {
    using namespace std::chrono;
    int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    time_t secs = static_cast<time_t>(ms / 1000);
    struct tm tmv;
    localtime_r(&secs, &tmv);
    return ms + static_cast<int64_t>(tmv.tm_gmtoff) * 1000;
  }
  uint64_t monotonicMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
};

RealClock gReal;
std::atomic<Clock*> gClock{&gReal};

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yy + (m <= 2));
}

}  // namespace

struct ManualClock::State {
  std::mutex m;
  int64_t local;
  uint64_t mono = 1000;
};

ManualClock::ManualClock(int64_t localStartMs) : st_(new State) { st_->local = localStartMs; }
ManualClock::~ManualClock() {
  if (gClock.load() == this) gClock = &gReal;
  delete st_;
}

int64_t ManualClock::localMs() {
  std::lock_guard<std::mutex> lock(st_->m);
  return st_->local;
}

uint64_t ManualClock::monotonicMs() {
  std::lock_guard<std::mutex> lock(st_->m);
  return st_->mono;
}

void ManualClock::advance(int64_t ms) {
  {
    std::lock_guard<std::mutex> lock(st_->m);
    st_->local += ms;
    st_->mono += static_cast<uint64_t>(ms);
  }
  wake();
}

void ManualClock::setLocal(int64_t localMs) {
  std::lock_guard<std::mutex> lock(st_->m);
  st_->local = localMs;
}

void setClock(Clock* c) {
  gClock = c ? c : &gReal;
  wake();
}

uint64_t nowMs() { return gClock.load()->monotonicMs(); }
bool clockIsReal() { return gClock.load()->realTime(); }

}  // namespace posix

namespace winapi {

DWORD GetTickCount() { return static_cast<DWORD>(posix::nowMs()); }
uint64_t GetTickCount64() { return posix::nowMs(); }

namespace {

void FillSystemTime(int64_t ms, SYSTEMTIME* st) {
  int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
  int64_t rest = ms - days * 86400000;
  int y;
  unsigned m, d;
  posix::civilFromDays(days, y, m, d);
  st->wYear = static_cast<WORD>(y);
  st->wMonth = static_cast<WORD>(m);
  st->wDay = static_cast<WORD>(d);
  st->wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  st->wHour = static_cast<WORD>(rest / 3600000);
  st->wMinute = static_cast<WORD>(rest / 60000 % 60);
  st->wSecond = static_cast<WORD>(rest / 1000 % 60);
  st->wMilliseconds = static_cast<WORD>(rest % 1000);
}

}  // namespace

void GetLocalTime(SYSTEMTIME* st) {
  if (st) FillSystemTime(posix::gClock.load()->localMs(), st);
}

// UTC is the clock's local time less the system's offset at that moment, so a test's
// manual clock moves both together.
void GetSystemTime(SYSTEMTIME* st) {
  if (!st) return;
  const int64_t local = posix::gClock.load()->localMs();
  time_t secs = static_cast<time_t>(local / 1000);
  struct tm tmv;
  localtime_r(&secs, &tmv);
  FillSystemTime(local - static_cast<int64_t>(tmv.tm_gmtoff) * 1000, st);
}

}  // namespace winapi
