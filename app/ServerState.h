// TServerState: whether the watched server is up, down or unknown, from the outcome of
// each poll.
//
// Up after a successful poll; down once FailuresToDown polls in a row have failed (so a
// flaky network does not flap); unknown before the first outcome and while polling is
// stopped. A change is announced only between up and down: a person is told when the
// server goes down and when it comes back, not when polling starts or stops. The last
// announced state survives a stop, so a server that went down, was not polled for a
// while and answers again is announced as up (and one still down is not announced
// twice). The start-up assumption is up: a first successful poll is news to nobody.
#pragma once

#include <cstdint>

#include "framework/SysUtils.h"

enum TServerStatus : uint8_t { stUnknown, stUp, stDown };

// An announced change: the new state, since when it holds and, when the server came
// back, how long it was down.
struct TStateChange {
  TServerStatus Status = stUnknown;
  TDateTime Since = 0;
  double DownSeconds = 0;
};

class TServerState {
 public:
  // A poll ended; true (and Change filled) when the change is to be announced.
  bool Outcome(bool Success, TDateTime When, TStateChange& Change);
  void Stop();  // polling stopped: unknown until the next outcome

  TServerStatus Status() const { return FStatus; }
  TDateTime Since() const { return FSince; }
  int FailuresToDown = 1;  // values below 1 count as 1

 private:
  TServerStatus FStatus = stUnknown;
  TServerStatus FAnnounced = stUp;
  TDateTime FSince = 0;           // start of the current state
  TDateTime FDownSince = 0;       // first failure of the current run of failures
  TDateTime FAnnouncedSince = 0;  // start of the last announced state
  int FFailures = 0;
};
