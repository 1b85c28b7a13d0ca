// The terminal itself: opening it for full-screen use, copying a Canvas to it, its
// size, and giving it back as it was found.
//
// Output goes through curses (which sends only what changed); input is read from
// standard input by the display and decoded by InputParser, so curses never reads.
// Mouse reporting uses xterm's button-event mode with SGR coordinates.
// restoreTerminalNow() is async-signal-safe: a signal handler may call it.
#pragma once

#include "platform/display/terminal/Canvas.h"

namespace term {

class Screen {
 public:
  ~Screen() { close(); }
  bool open();   // false when standard input/output is no terminal
  void close();  // idempotent: mouse off, normal screen, saved terminal modes
  bool isOpen() const { return open_; }
  void size(int& rows, int& cols) const;  // the terminal's current size in cells
  void resize(int rows, int cols);        // after SIGWINCH
  void present(const Canvas& canvas);
  void bell();  // once, the terminal's own way (audible or visible)
  int inputFd() const { return 0; }

 private:
  bool open_ = false;
};

// Writes the sequences that switch mouse reporting and the alternate screen off and
// the cursor on, and puts back the terminal modes saved by Screen::open.
void restoreTerminalNow();

}  // namespace term
