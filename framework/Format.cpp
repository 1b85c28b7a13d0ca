// Format: the classic runtime's printf-like formatting with positional,
// width and precision fields and the locale's decimal separator.
#include <cmath>
#include <cstdio>
#include <string>

#include "framework/SysUtils.h"

namespace {

struct Directive {
  bool left = false;
  int width = -1;
  int prec = -1;
  char type = 0;
};

[[noreturn]] void Invalid(const std::string& pattern) {
  throw EConvertError("Format '" + pattern + "' invalid or incompatible with argument");
}

std::string Digits(uint64_t v, unsigned base, bool upper) {
  const char* d = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string s;
  do {
    s.insert(s.begin(), d[v % base]);
    v /= base;
  } while (v != 0);
  return s;
}

std::string ZeroPad(std::string digits, int prec) {
  if (prec > int(digits.size())) digits.insert(0, size_t(prec) - digits.size(), '0');
  return digits;
}

std::string FormatInteger(const TVarRec& a, const Directive& sp, const std::string& pattern) {
  if (a.kind == TVarRec::vtFloat || a.kind == TVarRec::vtString) Invalid(pattern);
  bool neg = a.kind == TVarRec::vtInt && a.i < 0;
  uint64_t mag =
      a.kind == TVarRec::vtUInt ? a.u : (neg ? uint64_t(0) - uint64_t(a.i) : uint64_t(a.i));
  if (sp.type == 'd') return (neg ? "-" : "") + ZeroPad(Digits(mag, 10, false), sp.prec);
  if (sp.type == 'u') {
    uint64_t v = a.kind == TVarRec::vtUInt ? a.u : uint64_t(uint32_t(a.i));
    return ZeroPad(Digits(v, 10, false), sp.prec);
  }
  // x / X / p: 32-bit two's complement for negative 32-bit values, as the classic
  // runtime does.
  uint64_t v = a.kind == TVarRec::vtUInt ? a.u : uint64_t(a.i);
  if (a.kind == TVarRec::vtInt && a.i < 0 && a.i >= INT32_MIN) v = uint32_t(int32_t(a.i));
  return ZeroPad(Digits(v, 16, sp.type == 'X' || sp.type == 'p'),
                 sp.prec < 0 && sp.type == 'p' ? 8 : sp.prec);
}

std::string Thousands(const std::string& digits) {
  std::string r;
  int n = int(digits.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) r += ',';
    r += digits[size_t(i)];
  }
  return r;
}

std::string FormatFloat(const TVarRec& a, const Directive& sp, const std::string& pattern) {
  double v;
  if (a.kind == TVarRec::vtFloat)
    v = a.d;
  else
    Invalid(pattern);
  char buf[400];
  int prec = sp.prec;
  switch (sp.type) {
    case 'f':
    case 'n':
    case 'm':
      if (prec < 0) prec = 2;
      if (prec > 18) prec = 18;
      if (!std::isfinite(v) || std::fabs(v) >= 1e300) {
        snprintf(buf, sizeof buf, "%g", v);
      } else {
        snprintf(buf, sizeof buf, "%.*f", prec, v);
      }
      break;
    case 'e':
      if (prec < 0 || prec > 18) prec = 15;
      snprintf(buf, sizeof buf, "%.*E", prec - 1 < 0 ? 0 : prec - 1, v);
      break;
    default:  // g
      if (prec < 0 || prec > 18) prec = 15;
      snprintf(buf, sizeof buf, "%.*G", prec, v);
      break;
  }
  std::string s = buf;
  std::string intPart = s, frac;
  size_t dot = s.find('.');
  if (dot != std::string::npos) {
    intPart = s.substr(0, dot);
    frac = s.substr(dot + 1);
  }
  if (sp.type == 'n' || sp.type == 'm') {
    bool neg = !intPart.empty() && intPart[0] == '-';
    intPart = (neg ? "-" : "") + Thousands(neg ? intPart.substr(1) : intPart);
  }
  return dot == std::string::npos ? intPart : intPart + DecimalSeparator() + frac;
}

// Reads a number or "*" (taken from the arguments) at pattern[i].
int ReadNumber(const std::string& p, size_t& i, const TVarRec* args, size_t n, size_t& argi,
               const std::string& pattern) {
  if (i < p.size() && p[i] == '*') {
    ++i;
    if (argi >= n || args[argi].kind != TVarRec::vtInt) Invalid(pattern);
    return int(args[argi++].i);
  }
  int v = -1;
  while (i < p.size() && p[i] >= '0' && p[i] <= '9') {
    v = (v < 0 ? 0 : v) * 10 + (p[i] - '0');
    if (v > 100000) Invalid(pattern);
    ++i;
  }
  return v;
}

}  // namespace

std::string Format(const std::string& pattern, std::initializer_list<TVarRec> argList) {
  const TVarRec* args = argList.begin();
  size_t n = argList.size(), argi = 0;
  std::string out;
  const std::string& p = pattern;
  for (size_t i = 0; i < p.size();) {
    if (p[i] != '%') {
      out += p[i++];
      continue;
    }
    ++i;
    if (i < p.size() && p[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Directive sp;
    // Optional "index:" prefix.
    size_t save = i;
    int num = ReadNumber(p, i, args, n, argi, pattern);
    if (i < p.size() && p[i] == ':') {
      argi = size_t(num < 0 ? 0 : num);
      ++i;
    } else {
      i = save;
    }
    if (i < p.size() && p[i] == '-') {
      sp.left = true;
      ++i;
    }
    sp.width = ReadNumber(p, i, args, n, argi, pattern);
    if (i < p.size() && p[i] == '.') {
      ++i;
      sp.prec = ReadNumber(p, i, args, n, argi, pattern);
      if (sp.prec < 0) sp.prec = 0;
    }
    if (i >= p.size()) Invalid(pattern);
    sp.type = char(std::tolower((unsigned char)p[i]));
    if (p[i] == 'X') sp.type = 'X';
    ++i;
    if (argi >= n) Invalid(pattern);
    const TVarRec& a = args[argi++];
    std::string field;
    switch (sp.type) {
      case 'd':
      case 'u':
      case 'x':
      case 'X':
      case 'p':
        field = FormatInteger(a, sp, pattern);
        break;
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm':
        field = FormatFloat(a, sp, pattern);
        break;
      case 's':
        if (a.kind != TVarRec::vtString) Invalid(pattern);
        field = sp.prec >= 0 && size_t(sp.prec) < a.s.size() ? a.s.substr(0, size_t(sp.prec)) : a.s;
        break;
      default:
        Invalid(pattern);
    }
    if (sp.width > int(field.size())) {
      std::string pad(size_t(sp.width) - field.size(), ' ');
      field = sp.left ? field + pad : pad + field;
    }
    out += field;
  }
  return out;
}
