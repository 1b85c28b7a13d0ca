// One finished poll as the metrics and history writers see it, and the small
// helpers they share: the wall time with its UTC offset, the status of a header.
#pragma once

#include <cstdint>
#include <string>

enum TPollOutcome : uint8_t { poSuccess, poFailure, poInvalidHost, poConnectionFailed, poError };

// A moment as seconds since 1970 (UTC) and the local offset from UTC then.
struct TWallTime {
  int64_t UnixMs = 0;
  int OffsetMinutes = 0;
};

struct TPollRecord {
  std::string Address;
  TPollOutcome Outcome = poError;
  int StatusCode = -1;  // -1: no status line with a code
  double ElapsedSeconds = 0;
  uint64_t HeaderBytes = 0;
  TWallTime End;
};

TWallTime WallTimeNow();
// ISO 8601 local time with milliseconds and offset: 2026-12-08T13:04:05.123+01:00.
std::string IsoTime(const TWallTime& Time);
// A number with `Precision` decimals and a point, whatever the locale says.
std::string FixedPoint(double Value, int Precision);
// The word the history file uses for an outcome ("success", "connection-failed", ...).
const char* OutcomeWord(TPollOutcome Outcome);

// The code and the text after the protocol word of a header's status line
// ("HTTP/1.0 200 OK" gives 200 and "200 OK"); -1 when the line carries no code.
int StatusOfHeader(const std::string& Header, std::string* Text = nullptr);
