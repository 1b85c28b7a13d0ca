// The wall time with its offset, and what a status line says.
#include "app/PollRecord.h"

#include <charconv>
#include <cmath>

#include "framework/SysUtils.h"

namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr double kUnixEpochDays = 25569;  // 1970-01-01 as a date-time

}  // namespace

TWallTime WallTimeNow() {
  SYSTEMTIME local, utc;
  GetLocalTime(&local);
  GetSystemTime(&utc);
  const TDateTime utcDays = SystemTimeToDateTime(utc);
  TWallTime t;
  t.UnixMs = std::llround((utcDays - kUnixEpochDays) * double(kMsPerDay));
  t.OffsetMinutes = int(std::lround((SystemTimeToDateTime(local) - utcDays) * 1440));
  return t;
}

std::string IsoTime(const TWallTime& Time) {
  const int64_t localMs = Time.UnixMs + int64_t(Time.OffsetMinutes) * 60000;
  const int64_t days =
      localMs >= 0 ? localMs / kMsPerDay : -((-localMs + kMsPerDay - 1) / kMsPerDay);
  const int64_t rest = localMs - days * kMsPerDay;
  WORD y, mo, d;
  DecodeDate(double(days) + kUnixEpochDays, y, mo, d);
  const int off = std::abs(Time.OffsetMinutes);
  return Format("%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3d%s%.2d:%.2d",
                {y, mo, d, int(rest / 3600000), int(rest / 60000 % 60), int(rest / 1000 % 60),
                 int(rest % 1000), Time.OffsetMinutes < 0 ? "-" : "+", off / 60, off % 60});
}

std::string FixedPoint(double Value, int Precision) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::fixed, Precision);
  return ec == std::errc() ? std::string(buf, end) : "0";
}

const char* OutcomeWord(TPollOutcome Outcome) {
  switch (Outcome) {
    case poSuccess:
      return "success";
    case poFailure:
      return "failure";
    case poInvalidHost:
      return "invalid-host";
    case poConnectionFailed:
      return "connection-failed";
    case poError:
      break;
  }
  return "error";
}

int StatusOfHeader(const std::string& Header, std::string* Text) {
  const std::string line = Header.substr(0, Header.find_first_of("\r\n"));
  const size_t space = line.find(' ');
  const std::string rest = space == std::string::npos ? std::string() : Trim(line.substr(space));
  const std::string word = rest.substr(0, rest.find(' '));
  if (Text) *Text = rest;
  if (word.empty() || word.size() > 5 || word.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  const int code = std::stoi(word);
  return code <= 32767 ? code : -1;
}
