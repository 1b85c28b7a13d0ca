// GetLocaleInfoA for the user's date and time pictures and decimal separator,
// taken from the environment's locale (LC_TIME, LC_NUMERIC) without touching the
// process's global locale. strftime patterns become Windows pictures.
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/posix/Internal.h"

namespace posix {
namespace {

std::string quoteLiteral(const std::string& lit) {
  // Letters in a picture are format characters; keep literal ones quoted.
  bool letters = false;
  for (char c : lit)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '\'') letters = true;
  if (!letters) return lit;
  std::string out = "'";
  for (char c : lit) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

std::string toPicture(const std::string& f, locale_t loc, int depth = 0) {
  std::string out, lit;
  auto flush = [&] {
    out += quoteLiteral(lit);
    lit.clear();
  };
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%' || i + 1 >= f.size()) {
      lit += f[i];
      continue;
    }
    char c = f[++i];
    bool noPad = false;
    while ((c == '-' || c == '_' || c == '0' || c == 'E' || c == 'O' || c == '^' || c == '#') &&
           i + 1 < f.size()) {
      if (c == '-') noPad = true;
      c = f[++i];
    }
    std::string piece;
    switch (c) {
      case 'd':
        piece = noPad ? "d" : "dd";
        break;
      case 'e':
        piece = "d";
        break;
      case 'm':
        piece = noPad ? "M" : "MM";
        break;
      case 'y':
        piece = "yy";
        break;
      case 'Y':
        piece = "yyyy";
        break;
      case 'C':
        piece = "yy";
        break;
      case 'H':
        piece = noPad ? "H" : "HH";
        break;
      case 'k':
        piece = "H";
        break;
      case 'I':
        piece = noPad ? "h" : "hh";
        break;
      case 'l':
        piece = "h";
        break;
      case 'M':
        piece = "mm";
        break;
      case 'S':
        piece = "ss";
        break;
      case 'p':
      case 'P':
        piece = "tt";
        break;
      case 'b':
      case 'h':
        piece = "MMM";
        break;
      case 'B':
        piece = "MMMM";
        break;
      case 'a':
        piece = "ddd";
        break;
      case 'A':
        piece = "dddd";
        break;
      case 'D':
        piece = toPicture("%m/%d/%y", loc, depth + 1);
        break;
      case 'F':
        piece = toPicture("%Y-%m-%d", loc, depth + 1);
        break;
      case 'T':
        piece = toPicture("%H:%M:%S", loc, depth + 1);
        break;
      case 'R':
        piece = toPicture("%H:%M", loc, depth + 1);
        break;
      case 'r':
        if (depth < 3) piece = toPicture(nl_langinfo_l(T_FMT_AMPM, loc), loc, depth + 1);
        break;
      case 'x':
        if (depth < 3) piece = toPicture(nl_langinfo_l(D_FMT, loc), loc, depth + 1);
        break;
      case 'X':
        if (depth < 3) piece = toPicture(nl_langinfo_l(T_FMT, loc), loc, depth + 1);
        break;
      case 'n':
      case 't':
        lit += ' ';
        continue;
      case '%':
        lit += '%';
        continue;
      default:
        continue;  // fields pictures cannot show (week numbers, zones...)
    }
    flush();
    out += piece;
  }
  flush();
  return out;
}

// The variables that choose the locale newlocale(..., "", ...) loads.
std::string localeEnvironment() {
  std::string key;
  for (const char* name : {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LANG"}) {
    const char* v = std::getenv(name);
    key += v ? v : "";
    key += '\n';
  }
  return key;
}

// Loading a locale opens and maps its files (every log line asks for two pictures), so
// the one loaded is kept until the variables that chose it change. Call with gLocaleMutex.
std::mutex gLocaleMutex;
locale_t gLocale = static_cast<locale_t>(0);
std::string gLocaleKey;

locale_t userLocale() {
  std::string key = localeEnvironment();
  if (gLocale && key == gLocaleKey) return gLocale;
  if (gLocale) freelocale(gLocale);
  gLocale = newlocale(LC_TIME_MASK | LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (!gLocale) gLocale = newlocale(LC_TIME_MASK | LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  gLocaleKey = key;
  return gLocale;
}

std::string lookup(LCTYPE type) {
  std::lock_guard<std::mutex> lock(gLocaleMutex);
  locale_t loc = userLocale();
  if (!loc) return "";
  std::string out;
  switch (type & 0xFFFF) {
    case LOCALE_SSHORTDATE:
      out = toPicture(nl_langinfo_l(D_FMT, loc), loc);
      break;
    case LOCALE_STIMEFORMAT:
      out = toPicture(nl_langinfo_l(T_FMT, loc), loc);
      break;
    case LOCALE_SDECIMAL:
      out = nl_langinfo_l(RADIXCHAR, loc);
      break;
  }
  if (out.empty() && (type & 0xFFFF) == LOCALE_SDECIMAL) out = ".";
  return out;
}

}  // namespace
}  // namespace posix

namespace winapi {

int GetLocaleInfoA(LCID, LCTYPE type, LPSTR buf, int size) {
  if ((type & 0xFFFF) != LOCALE_SSHORTDATE && (type & 0xFFFF) != LOCALE_STIMEFORMAT &&
      (type & 0xFFFF) != LOCALE_SDECIMAL) {
    SetLastError(1004);  // ERROR_INVALID_FLAGS
    return 0;
  }
  std::string v = posix::lookup(type);
  int need = static_cast<int>(v.size()) + 1;
  if (size == 0) return need;
  if (!buf || size < need) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buf, v.c_str(), v.size() + 1);
  return need;
}

}  // namespace winapi
