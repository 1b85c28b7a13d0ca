// The up/down state of the watched server.
#include "app/ServerState.h"

#include <algorithm>

namespace {
constexpr double kSecondsPerDay = 86400.0;
}

bool TServerState::Outcome(bool Success, TDateTime When, TStateChange& Change) {
  TServerStatus next = FStatus;
  if (Success) {
    FFailures = 0;
    next = stUp;
  } else {
    if (FFailures++ == 0) FDownSince = When;
    if (FFailures >= std::max(1, FailuresToDown)) next = stDown;
  }
  if (next != FStatus) {
    FStatus = next;
    FSince = next == stDown ? FDownSince : When;
  }
  if (FStatus == stUnknown || FStatus == FAnnounced) return false;
  Change.Status = FStatus;
  Change.Since = FSince;
  // Down: how long the failures have lasted; up: how long the announced outage lasted.
  // The wall clock may have been set back meanwhile: never a negative duration.
  const TDateTime from = FStatus == stDown ? FDownSince : FAnnouncedSince;
  Change.DownSeconds = std::max(0.0, (When - from) * kSecondsPerDay);
  FAnnounced = FStatus;
  FAnnouncedSince = FSince;
  return true;
}

void TServerState::Stop() {
  FStatus = stUnknown;
  FFailures = 0;  // a stop ends the run of failures
}
