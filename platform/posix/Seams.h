// Seams for tests on Linux: a replaceable clock, a resolver table, the module path
// and the null display's dialog responder. Tests that use these are Linux-only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/posix/Display.h"

namespace posix {

// ---- clock ----
// Local wall-clock time in milliseconds since 1970-01-01 00:00 local, and a
// monotonic millisecond count. Window timers and GetTickCount use monotonicMs.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t localMs() = 0;
  virtual uint64_t monotonicMs() = 0;
  // False for clocks that move only when told: the loop then never sleeps towards
  // a timer deadline (the clock's owner wakes it when time moves).
  virtual bool realTime() const { return true; }
};
void setClock(Clock* c);  // nullptr restores the real clock
// A clock that moves only when told; advance() is thread-safe and wakes the loop.
class ManualClock : public Clock {
 public:
  explicit ManualClock(int64_t localStartMs = 0);
  int64_t localMs() override;
  uint64_t monotonicMs() override;
  void advance(int64_t ms);
  void setLocal(int64_t localMs);  // jumps wall-clock only
  bool realTime() const override { return false; }
  ~ManualClock() override;
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

 private:
  struct State;
  State* st_;
};

// ---- resolver ----
// Answers a name with an IPv4 address in network order (0 = not found) after an
// optional delay in ms, run on the resolver worker thread. Unset: getaddrinfo.
struct ResolveAnswer {
  uint32_t addr = 0;
  int error = 0;  // WSA error when addr is 0 (e.g. 11001)
  int delayMs = 0;
};
void setResolver(std::function<ResolveAnswer(const std::string& name)> r);

// ---- module path ----
void setModuleFileName(const std::string& path);  // empty restores /proc/self/exe

// ---- null display ----
using DialogResponder = std::function<void(DialogRequest& req)>;  // must set req.done
void setDialogResponder(DialogResponder r);                       // default: cancel / no / ok

}  // namespace posix
