// Turns the bytes a terminal sends into key and mouse events.
//
// Understands what xterm, tmux and the Linux console send: printable bytes, control
// keys, CSI and SS3 sequences for cursor and function keys (with xterm's modifier
// parameter), ESC + key as Alt+key, SGR mouse reports (ESC [ < b ; x ; y M/m) and
// UTF-8 characters (one event each; bytes that make no character are dropped).
// Numbers in a report are bounded, so any column a terminal sends is a sane one.
// A sequence cut off at the end of a read is kept until the next read. So is a lone
// ESC: over a slow link (SSH) the rest of a sequence may come a little later, so ESC
// is the Escape key only when the caller, having waited kEscapeWaitMs with nothing
// more arriving, calls flush().
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace term {

enum class Key {
  None,
  Char,
  Enter,
  Tab,
  Backspace,
  Escape,
  Up,
  Down,
  Left,
  Right,
  Home,
  End,
  PageUp,
  PageDown,
  Insert,
  Delete,
  F1,
  F2,
  F3,
  F4,
  F5,
  F6,
  F7,
  F8,
  F9,
  F10,
  F11,
  F12
};

struct InputEvent {
  enum Type { KeyPress, Mouse } type = KeyPress;
  Key key = Key::None;
  char ch = 0;       // Key::Char: the character (for Ctrl+letter: the lower-case letter)
  std::string text;  // Key::Char: the character's UTF-8 bytes
  bool shift = false, alt = false, ctrl = false;
  // mouse
  enum Button { Left = 0, Middle = 1, Right = 2, WheelUp = 3, WheelDown = 4 } button = Left;
  bool press = false;    // false: release
  bool motion = false;   // moved with a button held
  int row = 0, col = 0;  // 0-based cell
};

// How long a lone ESC waits for the rest of a sequence (as long as tmux waits).
inline constexpr int kEscapeWaitMs = 500;

class InputParser {
 public:
  // Feeds bytes just read; returns the complete events they finish.
  std::vector<InputEvent> feed(std::string_view bytes);
  // Bytes of an unfinished sequence are waiting for the rest.
  bool waiting() const { return !buf_.empty(); }
  // Nothing more came: the waiting bytes are what they are on their own (a lone ESC
  // is the Escape key; a part of a character is dropped).
  std::vector<InputEvent> flush();

 private:
  // Parses one event at the front of buf_; returns bytes used, 0 if incomplete.
  size_t parseOne(std::string_view s, bool atEnd, InputEvent& ev);
  size_t parseCsi(std::string_view s, InputEvent& ev);
  size_t parseUtf8(std::string_view s, InputEvent& ev);
  std::string buf_;
};

}  // namespace term
