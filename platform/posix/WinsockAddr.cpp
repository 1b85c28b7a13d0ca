// Winsock's address helpers: inet_addr with its Winsock 1.1 forms, and byte order.
#include <bit>
#include <cctype>
#include <cstdint>

#include "platform/winapi.h"

namespace winapi {
namespace {

// One part of a dotted address: decimal, octal (leading 0) or hex (0x); false on junk
// or overflow past 32 bits.
bool parsePart(const char*& p, uint64_t& value) {
  int base = 10;
  if (*p == '0') {
    base = 8;
    if (p[1] == 'x' || p[1] == 'X') {
      base = 16;
      p += 2;
      if (!std::isxdigit(static_cast<unsigned char>(*p))) return false;
    }
  }
  if (!std::isxdigit(static_cast<unsigned char>(*p))) return false;
  value = 0;
  for (; std::isxdigit(static_cast<unsigned char>(*p)); ++p) {
    int d = std::isdigit(static_cast<unsigned char>(*p)) ? *p - '0' : std::tolower(*p) - 'a' + 10;
    if (d >= base) return false;
    value = value * base + d;
    if (value > 0xffffffffULL) return false;
  }
  return true;
}

}  // namespace

// "a.b.c.d", "a.b.c" (c 16 bits), "a.b" (b 24 bits) or "a" (32 bits), each part in
// decimal, octal or hex; a space ends the address, as on Windows. Anything else is
// INADDR_NONE, which "255.255.255.255" also gives: callers cannot tell the two apart,
// as on Winsock 1.1.
u_long inet_addr(const char* text) {
  if (!text || !*text) return INADDR_NONE;
  uint64_t parts[4];
  int n = 0;
  const char* p = text;
  for (;;) {
    if (n == 4 || !parsePart(p, parts[n])) return INADDR_NONE;
    ++n;
    if (*p == '\0' || *p == ' ') break;
    if (*p != '.') return INADDR_NONE;
    ++p;
  }
  uint64_t v = 0;
  for (int i = 0; i < n - 1; ++i) {
    if (parts[i] > 0xff) return INADDR_NONE;
    v |= parts[i] << (24 - 8 * i);
  }
  uint64_t lastMax = n == 1 ? 0xffffffffULL : n == 2 ? 0xffffffULL : n == 3 ? 0xffffULL : 0xffULL;
  if (parts[n - 1] > lastMax) return INADDR_NONE;
  v |= parts[n - 1];
  return htonl(static_cast<u_long>(v));
}

u_short htons(u_short v) {
  if constexpr (std::endian::native == std::endian::big) return v;
  return static_cast<u_short>((v >> 8) | (v << 8));
}
u_short ntohs(u_short v) { return htons(v); }
u_long htonl(u_long v) {
  if constexpr (std::endian::native == std::endian::big) return v;
  return __builtin_bswap32(v);
}
u_long ntohl(u_long v) { return htonl(v); }

}  // namespace winapi
