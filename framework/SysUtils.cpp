// Exceptions, integer conversion and text helpers.
#include "framework/SysUtils.h"

#include <algorithm>
#include <cctype>
#include <climits>

Exception::Exception(std::string msg) : FMessage(std::move(msg)) {}

std::string IntToStr(int64_t v) { return std::to_string(v); }

std::string IntToHex(int64_t v, int digits) {
  static const char kHex[] = "0123456789ABCDEF";
  uint64_t u = uint64_t(v);
  std::string s;
  do {
    s.insert(s.begin(), kHex[u & 15]);
    u >>= 4;
  } while (u != 0);
  if (int(s.size()) < digits) s.insert(0, size_t(digits) - s.size(), '0');
  return s;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses an optional sign, then decimal digits or hex after "$"/"0x"/"0X".
bool ParseInteger(const std::string& s, int64_t lo, int64_t hi, int64_t& out) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  // Hex texts may span the whole unsigned range of the type, as in the classic
  // runtime ($FFFFFFFF is -1 for a 32-bit integer).
  uint64_t limit = hex ? uint64_t(hi) * 2 + 1 : uint64_t(hi) + (neg ? 1 : 0);
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    int d = hex ? HexDigit(s[i]) : (std::isdigit((unsigned char)s[i]) ? s[i] - '0' : -1);
    if (d < 0) return false;
    unsigned base = hex ? 16 : 10;
    if (v > (limit - unsigned(d)) / base) return false;
    v = v * base + unsigned(d);
  }
  int64_t r;
  if (hex && v > uint64_t(hi)) {
    r = int64_t(v - (uint64_t(hi) * 2 + 2));  // wrap into the signed range
  } else if (neg && v == uint64_t(hi) + 1) {
    r = lo;
    neg = false;
  } else {
    r = int64_t(v);
  }
  out = neg ? -r : r;
  return true;
}

}  // namespace

bool TryStrToInt(const std::string& s, int& value) {
  int64_t v;
  if (!ParseInteger(s, INT_MIN, INT_MAX, v)) return false;
  value = int(v);
  return true;
}

int StrToInt(const std::string& s) {
  int v;
  if (!TryStrToInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
  return v;
}

int StrToIntDef(const std::string& s, int def) {
  int v;
  return TryStrToInt(s, v) ? v : def;
}

std::string UpperCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return r;
}

std::string LowerCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return r;
}

namespace {

// Latin-1 capitals 0xC0-0xDE (without 0xD7) lower to 0xE0-0xFE.
unsigned char AnsiLower(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}

}  // namespace

std::string AnsiLowerCase(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = char(AnsiLower((unsigned char)c));
  return r;
}

int CompareText(const std::string& a, const std::string& b) {
  return LowerCase(a).compare(LowerCase(b));
}

int AnsiCompareText(const std::string& a, const std::string& b) {
  int c = AnsiLowerCase(a).compare(AnsiLowerCase(b));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int AnsiCompareStr(const std::string& a, const std::string& b) {
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool SameText(const std::string& a, const std::string& b) { return CompareText(a, b) == 0; }

std::string TrimLeft(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (unsigned char)s[i] <= ' ') ++i;
  return s.substr(i);
}

std::string TrimRight(const std::string& s) {
  size_t n = s.size();
  while (n > 0 && (unsigned char)s[n - 1] <= ' ') --n;
  return s.substr(0, n);
}

std::string Trim(const std::string& s) { return TrimLeft(TrimRight(s)); }
