// The log's copy for a reader without a screen.
#include "app/LogEcho.h"

#include <utility>

namespace {

TLogEcho& Echo() {
  static TLogEcho echo;
  return echo;
}

bool IsControl(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u < 0x20 && c != '\t') || u == 0x7F;
}

}  // namespace

void SetLogEcho(TLogEcho Writer) { Echo() = std::move(Writer); }

void EchoLogText(const std::string& Text) {
  if (!Echo()) return;
  std::string line;
  for (size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
      Echo()(line);
      line.clear();
    } else {
      line += IsControl(c) ? '?' : c;
    }
  }
  Echo()(line);
}
