// Decoding of terminal input bytes into key and mouse events.
#include "platform/display/terminal/InputParser.h"

#include <algorithm>

#include "platform/posix/Utf8.h"

namespace term {
namespace {

constexpr char kEsc = '\x1b';
constexpr int kMaxParam = 99999;  // far beyond any screen; keeps arithmetic on it safe

int number(const std::string& digits) {
  if (digits.empty()) return 1;
  int v = 0;
  for (char c : digits) v = std::min(kMaxParam, v * 10 + (c - '0'));
  return v;
}

InputEvent keyEvent(Key k, int modifierParam = 1) {
  InputEvent ev;
  ev.key = k;
  int m = modifierParam > 1 ? modifierParam - 1 : 0;  // xterm: 1 + shift(1) alt(2) ctrl(4)
  ev.shift = m & 1;
  ev.alt = m & 2;
  ev.ctrl = m & 4;
  return ev;
}

Key tildeKey(int n) {
  switch (n) {
    case 1:
    case 7:
      return Key::Home;
    case 2:
      return Key::Insert;
    case 3:
      return Key::Delete;
    case 4:
    case 8:
      return Key::End;
    case 5:
      return Key::PageUp;
    case 6:
      return Key::PageDown;
    case 11:
      return Key::F1;
    case 12:
      return Key::F2;
    case 13:
      return Key::F3;
    case 14:
      return Key::F4;
    case 15:
      return Key::F5;
    case 17:
      return Key::F6;
    case 18:
      return Key::F7;
    case 19:
      return Key::F8;
    case 20:
      return Key::F9;
    case 21:
      return Key::F10;
    case 23:
      return Key::F11;
    case 24:
      return Key::F12;
    default:
      return Key::None;
  }
}

Key finalKey(char c) {
  switch (c) {
    case 'A':
      return Key::Up;
    case 'B':
      return Key::Down;
    case 'C':
      return Key::Right;
    case 'D':
      return Key::Left;
    case 'H':
      return Key::Home;
    case 'F':
      return Key::End;
    case 'P':
      return Key::F1;
    case 'Q':
      return Key::F2;
    case 'R':
      return Key::F3;
    case 'S':
      return Key::F4;
    default:
      return Key::None;
  }
}

std::vector<int> params(std::string_view s) {
  std::vector<int> out;
  std::string cur;
  for (char c : s) {
    if (c == ';') {
      out.push_back(number(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(number(cur));
  return out;
}

InputEvent sgrMouse(const std::vector<int>& p, bool release) {
  InputEvent ev;
  ev.type = InputEvent::Mouse;
  int b = p.size() > 0 ? p[0] : 0;
  ev.col = std::clamp((p.size() > 1 ? p[1] : 1) - 1, 0, kMaxParam);
  ev.row = std::clamp((p.size() > 2 ? p[2] : 1) - 1, 0, kMaxParam);
  ev.shift = b & 4;
  ev.alt = b & 8;
  ev.ctrl = b & 16;
  ev.motion = b & 32;
  if (b & 64) {
    ev.button = (b & 1) ? InputEvent::WheelDown : InputEvent::WheelUp;
    ev.press = true;
  } else {
    // Button 3 with the motion bit: the pointer moved with no button held.
    ev.button = (b & 3) == 3 ? InputEvent::Left : static_cast<InputEvent::Button>(b & 3);
    ev.press = !release && (b & 3) != 3;
  }
  return ev;
}

}  // namespace

std::vector<InputEvent> InputParser::feed(std::string_view bytes) {
  buf_.append(bytes);
  std::vector<InputEvent> out;
  size_t pos = 0;
  while (pos < buf_.size()) {
    InputEvent ev;
    size_t used = parseOne(std::string_view(buf_).substr(pos), false, ev);
    if (used == 0) break;  // incomplete: wait for the rest
    pos += used;
    if (ev.type == InputEvent::Mouse || ev.key != Key::None) out.push_back(ev);
  }
  buf_.erase(0, pos);
  return out;
}

std::vector<InputEvent> InputParser::flush() {
  std::vector<InputEvent> out;
  size_t pos = 0;
  while (pos < buf_.size()) {
    InputEvent ev;
    std::string_view s = std::string_view(buf_).substr(pos);
    size_t used = parseOne(s, true, ev);
    if (used == 0) {  // still unfinished: an ESC stands for itself, a stray byte goes
      if (s[0] == kEsc) ev = keyEvent(Key::Escape);
      used = 1;
    }
    pos += used;
    if (ev.type == InputEvent::Mouse || ev.key != Key::None) out.push_back(ev);
  }
  buf_.clear();
  return out;
}

size_t InputParser::parseOne(std::string_view s, bool atEnd, InputEvent& ev) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  if (c != kEsc) {
    if (c == '\r' || c == '\n')
      ev = keyEvent(Key::Enter);
    else if (c == '\t')
      ev = keyEvent(Key::Tab);
    else if (c == 0x7f || c == 0x08)
      ev = keyEvent(Key::Backspace);
    else if (c < 0x20) {  // Ctrl+letter
      ev = keyEvent(Key::Char);
      ev.ctrl = true;
      ev.ch = static_cast<char>(c == 0 ? ' ' : 'a' + c - 1);
    } else if (c >= 0x80) {
      return parseUtf8(s, ev);
    } else {
      ev = keyEvent(Key::Char);
      ev.ch = static_cast<char>(c);
      ev.text.assign(1, ev.ch);
    }
    return 1;
  }
  if (s.size() == 1) {
    if (!atEnd) return 0;
    ev = keyEvent(Key::Escape);
    return 1;
  }
  if (s[1] == '[') return parseCsi(s, ev);
  if (s[1] == 'O') {  // SS3: cursor keys in application mode, F1-F4
    if (s.size() < 3) return 0;
    ev = keyEvent(finalKey(s[2]));
    return 3;
  }
  if (s[1] == kEsc) {  // ESC ESC: Escape, then look again
    ev = keyEvent(Key::Escape);
    return 1;
  }
  // ESC + key: Alt+key
  size_t used = parseOne(s.substr(1), atEnd, ev);
  if (used == 0) return 0;
  ev.alt = true;
  return used + 1;
}

size_t InputParser::parseUtf8(std::string_view s, InputEvent& ev) {
  size_t need = posix::utf8LeadLength(static_cast<unsigned char>(s[0]));
  if (need > s.size()) {  // the rest may come with the next read
    bool continuing = true;
    for (size_t k = 1; k < s.size(); ++k)
      continuing = continuing && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80;
    if (continuing) return 0;
  }
  size_t n = posix::utf8SequenceAt(s, 0);
  if (n == 0) return 1;  // no character: dropped
  ev = keyEvent(Key::Char);
  ev.text = std::string(s.substr(0, n));
  ev.ch = ev.text[0];
  return n;
}

size_t InputParser::parseCsi(std::string_view s, InputEvent& ev) {
  // ESC [ M b x y: the old X10 mouse report, in case SGR mode is refused
  if (s.size() >= 3 && s[2] == 'M') {
    if (s.size() < 6) return 0;
    int b = static_cast<unsigned char>(s[3]) - 32;
    bool release = (b & 3) == 3;
    ev = sgrMouse({release ? (b & ~3) : b, static_cast<unsigned char>(s[4]) - 32,
                   static_cast<unsigned char>(s[5]) - 32},
                  release);
    return 6;
  }
  size_t i = 2;
  bool sgr = i < s.size() && s[i] == '<';
  if (sgr) ++i;
  size_t start = i;
  while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || s[i] == ';')) ++i;
  if (i >= s.size()) return s.size() > 32 ? s.size() : 0;  // garbage: drop it
  char fin = s[i];
  std::vector<int> p = params(s.substr(start, i - start));
  size_t used = i + 1;
  if (sgr) {
    if (fin == 'M' || fin == 'm') ev = sgrMouse(p, fin == 'm');
    return used;
  }
  if (fin == '~') {
    ev = keyEvent(tildeKey(p[0]), p.size() > 1 ? p[1] : 1);
  } else if (fin == 'Z') {
    ev = keyEvent(Key::Tab);
    ev.shift = true;
  } else {
    ev = keyEvent(finalKey(fin), p.size() > 1 ? p[1] : 1);
  }
  return used;
}

}  // namespace term
