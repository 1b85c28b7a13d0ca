// UTF-8 stepping and checking (RFC 3629: no overlong forms, no surrogates, at most
// U+10FFFF).
#include "platform/posix/Utf8.h"

namespace posix {
namespace {

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

size_t utf8LeadLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

size_t utf8SequenceAt(std::string_view s, size_t i) {
  if (i >= s.size()) return 0;
  unsigned char lead = static_cast<unsigned char>(s[i]);
  size_t n = utf8LeadLength(lead);
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if (!continuation(static_cast<unsigned char>(s[i + k]))) return 0;
  unsigned char second = n > 1 ? static_cast<unsigned char>(s[i + 1]) : 0;
  if (lead == 0xE0 && second < 0xA0) return 0;   // overlong
  if (lead == 0xED && second >= 0xA0) return 0;  // surrogate
  if (lead == 0xF0 && second < 0x90) return 0;   // overlong
  if (lead == 0xF4 && second >= 0x90) return 0;  // above U+10FFFF
  return n;
}

bool utf8Decode(std::string_view s, size_t& i, char32_t& cp) {
  size_t n = utf8SequenceAt(s, i);
  if (n == 0) {
    cp = static_cast<unsigned char>(s[i]);
    ++i;
    return false;
  }
  static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  cp = static_cast<unsigned char>(s[i]) & kLeadMask[n];
  for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  i += n;
  return true;
}

size_t utf8Next(std::string_view s, size_t i) {
  if (i >= s.size()) return s.size();
  size_t n = utf8SequenceAt(s, i);
  return i + (n ? n : 1);
}

size_t utf8Prev(std::string_view s, size_t i) {
  if (i == 0) return 0;
  if (i > s.size()) i = s.size();
  // A valid sequence ending at i starts at most 3 bytes back.
  for (size_t back = 2; back <= 4 && back <= i; ++back)
    if (utf8SequenceAt(s, i - back) == back) return i - back;
  return i - 1;
}

size_t utf8Length(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); i = utf8Next(s, i)) ++n;
  return n;
}

std::string utf8Encode(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

}  // namespace posix
