// A loopback HTTP server for the whole-program benchmarks that notes, for each
// request, when its header had fully arrived and the watched process's processor time
// at that moment, answers after a chosen delay, and notes when the client has closed
// its end (the poll is over) with the processor time again.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/Loopback.h"

struct RequestStamp {
  double arrivedMs = 0;  // MonoMs() when the blank line ending the header was read
  double cpuAtArrivalMs = -1;
  double closedMs = 0;  // 0 until the client has closed
  double cpuAtCloseMs = -1;
};

class StampServer {
 public:
  explicit StampServer(int answerDelayMs = 0);
  std::string address() const { return server_->address(); }

  // The process whose processor time each stamp carries (0: none).
  void watch(pid_t pid);
  // Waits up to timeoutMs until request `index` (0-based) has arrived, or also ended.
  bool waitArrival(size_t index, int timeoutMs);
  bool waitClosed(size_t index, int timeoutMs);
  RequestStamp stamp(size_t index);
  size_t count();
  void reset();  // forgets the stamps (a new program run follows)

 private:
  void serve(LoopbackConn& conn);
  bool waitFor(size_t index, bool closed, int timeoutMs);

  int delayMs_;
  std::mutex m_;
  std::condition_variable cv_;
  pid_t pid_ = 0;
  std::vector<RequestStamp> stamps_;
  std::unique_ptr<LoopbackServer> server_;  // last: its threads use the members above
};
