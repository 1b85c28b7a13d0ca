// Date-time as days since 1899-12-30 and its text forms from the user's
// locale pictures.
#include <cmath>
#include <string>

#include "framework/SysUtils.h"

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 0001-01-01 to the date (proleptic Gregorian).
int64_t DayNumber(int y, int m, int d) {
  int64_t yy = y - 1;
  int64_t days = yy * 365 + yy / 4 - yy / 100 + yy / 400;
  for (int i = 1; i < m; ++i) days += DaysInMonth(y, i);
  return days + d - 1;
}

const int64_t kEpoch = DayNumber(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

std::string Locale(LCTYPE type, const char* fallback) {
  char buf[128] = {0};
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
  if (n <= 1) return fallback;
  return std::string(buf);
}

std::string Pad2(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

}  // namespace

TDateTime EncodeDate(WORD year, WORD month, WORD day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    throw EConvertError("Invalid argument to date encode");
  return double(DayNumber(year, month, day) - kEpoch);
}

TDateTime EncodeTime(WORD hour, WORD min, WORD sec, WORD msec) {
  if (hour > 23 || min > 59 || sec > 59 || msec > 999)
    throw EConvertError("Invalid argument to time encode");
  return (((hour * 60.0 + min) * 60.0 + sec) * 1000.0 + msec) / kMsPerDay;
}

void DecodeDate(TDateTime dt, WORD& year, WORD& month, WORD& day) {
  int64_t n = int64_t(std::trunc(dt)) + kEpoch;  // days since 0001-01-01
  if (n < 0) n = 0;
  int y = int(n / 365.2425) + 1;
  while (y > 1 && DayNumber(y, 1, 1) > n) --y;
  while (DayNumber(y + 1, 1, 1) <= n) ++y;
  int m = 1;
  while (m < 12 && DayNumber(y, m + 1, 1) <= n) ++m;
  year = WORD(y);
  month = WORD(m);
  day = WORD(n - DayNumber(y, m, 1) + 1);
}

void DecodeTime(TDateTime dt, WORD& hour, WORD& min, WORD& sec, WORD& msec) {
  double frac = std::fabs(dt - std::floor(dt));
  if (dt < 0) frac = std::fabs(dt - std::ceil(dt));  // the time part ignores the sign
  int64_t ms = int64_t(std::llround(frac * kMsPerDay));
  if (ms >= int64_t(kMsPerDay)) ms = int64_t(kMsPerDay) - 1;
  hour = WORD(ms / 3600000);
  min = WORD(ms / 60000 % 60);
  sec = WORD(ms / 1000 % 60);
  msec = WORD(ms % 1000);
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
  return EncodeDate(st.wYear, st.wMonth, st.wDay) +
         EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

TDateTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}

TDateTime Date() { return std::floor(Now()); }

std::string FormatWindowsPicture(const std::string& pic, TDateTime dt) {
  WORD y, mo, d, h, mi, s, ms;
  DecodeDate(dt, y, mo, d);
  DecodeTime(dt, h, mi, s, ms);
  std::string out;
  for (size_t i = 0; i < pic.size();) {
    char c = pic[i];
    size_t run = 1;
    while (i + run < pic.size() && pic[i + run] == c) ++run;
    switch (c) {
      case 'd':
        out += run >= 2 ? Pad2(d) : std::to_string(d);
        break;
      case 'M':
        out += run >= 2 ? Pad2(mo) : std::to_string(mo);
        break;
      case 'y':
        out += run >= 3 ? std::to_string(y) : Pad2(y % 100);
        break;
      case 'H':
        out += run >= 2 ? Pad2(h) : std::to_string(h);
        break;
      case 'h': {
        int h12 = h % 12 == 0 ? 12 : h % 12;
        out += run >= 2 ? Pad2(h12) : std::to_string(h12);
        break;
      }
      case 'm':
        out += run >= 2 ? Pad2(mi) : std::to_string(mi);
        break;
      case 's':
        out += run >= 2 ? Pad2(s) : std::to_string(s);
        break;
      case 't':
        out += run >= 2 ? (h < 12 ? "AM" : "PM") : (h < 12 ? "A" : "P");
        break;
      case '\'': {
        size_t end = pic.find('\'', i + 1);
        if (end == std::string::npos) end = pic.size();
        out += pic.substr(i + 1, end - i - 1);
        i = end + 1;
        continue;
      }
      default:
        out.append(run, c);
        break;
    }
    i += run;
  }
  return out;
}

std::string DateToStr(TDateTime dt) {
  return FormatWindowsPicture(Locale(LOCALE_SSHORTDATE, "dd/MM/yyyy"), dt);
}

std::string TimeToStr(TDateTime dt) {
  return FormatWindowsPicture(Locale(LOCALE_STIMEFORMAT, "HH:mm:ss"), dt);
}

std::string DateTimeToStr(TDateTime dt) {
  WORD h, m, s, ms;
  DecodeTime(dt, h, m, s, ms);
  if (h == 0 && m == 0 && s == 0) return DateToStr(dt);
  return DateToStr(dt) + " " + TimeToStr(dt);
}

double TickCountDays() { return double(GetTickCount64()) / kMsPerDay; }

char DecimalSeparator() {
  std::string s = Locale(LOCALE_SDECIMAL, ".");
  return s.empty() ? '.' : s[0];
}
