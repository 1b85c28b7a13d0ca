// The log's copy for a reader without a screen.
#include "app/LogEcho.h"

#include <utility>

namespace {

TLogEcho& Echo() {
  static TLogEcho echo;
  return echo;
}

// The bytes of a UTF-8 sequence with this lead byte, or 0 when it starts none.
size_t LeadLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead < 0xE0) return 2;
  if (lead >= 0xE0 && lead < 0xF0) return 3;
  return lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
}

// The length of the UTF-8 sequence at s[i], or 0 when none starts there.
size_t SequenceAt(const std::string& s, size_t i) {
  const size_t n = LeadLength(static_cast<unsigned char>(s[i]));
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

// C0 (but tab), DEL, and C1 (U+0080 to U+009F, encoded C2 80 to C2 9F).
bool IsControl(const std::string& s, size_t i, size_t n) {
  const unsigned char u = static_cast<unsigned char>(s[i]);
  if (n == 1) return (u < 0x20 && u != '\t') || u == 0x7F;
  return n == 2 && u == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
}

}  // namespace

void SetLogEcho(TLogEcho Writer) { Echo() = std::move(Writer); }

bool EchoLogText(const std::string& Text) {
  if (!Echo()) return false;
  std::string line;
  for (size_t i = 0; i < Text.size();) {
    const char c = Text[i];
    if (c == '\r' || c == '\n') {
      i += c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n' ? 2 : 1;
      Echo()(line);
      line.clear();
      continue;
    }
    const size_t n = SequenceAt(Text, i);
    if (n == 0 || IsControl(Text, i, n))
      line += '?';
    else
      line.append(Text, i, n);
    i += n == 0 ? 1 : n;
  }
  Echo()(line);
  return true;
}
