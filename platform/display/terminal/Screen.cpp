// The curses side of the terminal display.
#include "platform/display/terminal/Screen.h"

#include <langinfo.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstring>

#include "platform/display/terminal/Curses.h"
#include "platform/posix/Utf8.h"

namespace term {
namespace {

constexpr char kMouseOn[] = "\x1b[?1000h\x1b[?1002h\x1b[?1003h\x1b[?1006h";
constexpr char kResetSequences[] =
    "\x1b[?1006l\x1b[?1003l\x1b[?1002l\x1b[?1000l\x1b[0m\x1b[?25h\x1b[?1049l\r\n";

struct termios savedModes;
volatile bool haveSavedModes = false;
volatile bool screenOpen = false;
SCREEN* cursesScreen = nullptr;
bool utf8Terminal = false;
bool colourTerminal = false;
constexpr short kGreenPair = 1, kRedPair = 2;

void writeAll(const char* s, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(1, s, n);
    if (w <= 0) return;  // terminal gone: nothing more to do
    s += w;
    n -= static_cast<size_t>(w);
  }
}

attr_t cursesAttr(uint8_t a) {
  attr_t r = A_NORMAL;
  if (a & Bold) r |= A_BOLD;
  if (a & Reverse) r |= A_REVERSE;
  if (a & Underline) r |= A_UNDERLINE;
  if (a & Dim) r |= A_DIM;
  return r;
}

short cursesPair(uint8_t a) {
  if (!colourTerminal) return 0;
  return (a & Red) ? kRedPair : (a & Green) ? kGreenPair : 0;
}

}  // namespace

bool Screen::open() {
  if (open_) return true;
  if (!::isatty(0) || !::isatty(1)) return false;
  // Curses writes characters in the encoding LC_CTYPE names; numbers and times keep
  // the C locale (the platform reads the user's through its own locale object).
  std::setlocale(LC_CTYPE, "");
  utf8Terminal = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  if (::tcgetattr(0, &savedModes) == 0) haveSavedModes = true;
  cursesScreen = newterm(nullptr, stdout, stdin);
  if (!cursesScreen) return false;
  set_term(cursesScreen);
  raw();  // Ctrl+C, Ctrl+Q and Ctrl+Z arrive as keys
  noecho();
  nonl();
  curs_set(0);
  leaveok(stdscr, FALSE);
  if (has_colors() && start_color() == OK) {
    use_default_colors();  // the person's own background stays
    colourTerminal =
        init_pair(kGreenPair, COLOR_GREEN, -1) == OK && init_pair(kRedPair, COLOR_RED, -1) == OK;
  }
  refresh();
  writeAll(kMouseOn, sizeof kMouseOn - 1);
  open_ = true;
  screenOpen = true;
  return true;
}

void Screen::close() {
  if (!open_) return;
  open_ = false;
  screenOpen = false;
  writeAll("\x1b[?1006l\x1b[?1003l\x1b[?1002l\x1b[?1000l", 32);
  endwin();
  delscreen(cursesScreen);
  cursesScreen = nullptr;
  if (haveSavedModes) ::tcsetattr(0, TCSAFLUSH, &savedModes);
}

void Screen::size(int& rows, int& cols) const {
  struct winsize ws {};
  if (::ioctl(1, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0) {
    rows = ws.ws_row;
    cols = ws.ws_col;
  } else {
    rows = 24;
    cols = 80;
  }
}

void Screen::resize(int rows, int cols) {
  if (open_) resizeterm(rows, cols);
}

namespace {

// One cell to curses; a character the terminal cannot show becomes '?'.
void drawCell(int r, int c, const Cell& cell, bool insert) {
  attr_t attr = cursesAttr(cell.attr);
  char32_t ch = cell.ch < 0x80 || utf8Terminal ? cell.ch : U'?';
  char32_t mark = utf8Terminal ? cell.mark : 0;
  wchar_t wide[3] = {static_cast<wchar_t>(ch), static_cast<wchar_t>(mark), 0};
  cchar_t cc;
  setcchar(&cc, wide, attr, cursesPair(cell.attr), nullptr);
  if (insert)
    mvins_wch(r, c, &cc);
  else
    mvadd_wch(r, c, &cc);
}

}  // namespace

void Screen::present(const Canvas& canvas) {
  if (!open_) return;
  int rows = std::min(canvas.rows(), LINES), cols = std::min(canvas.cols(), COLS);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {  // the last cell would scroll some terminals: inserted
      Cell cell = canvas.at(r, c);
      bool wide = posix::cellWidth(cell.ch) == 2 && cell.ch != U'?';
      if (cell.ch == kWideTail && c > 0 && posix::cellWidth(canvas.at(r, c - 1).ch) == 2 &&
          utf8Terminal)
        continue;  // drawn with its left half
      // A half left over where something else was drawn over the other half, or a
      // wide character the terminal cannot show in two cells: a blank.
      if (cell.ch == kWideTail || (wide && (c + 1 >= cols || canvas.at(r, c + 1).ch != kWideTail)))
        cell.ch = U' ';
      drawCell(r, c, cell, r == LINES - 1 && c == COLS - 1);
    }
  if (canvas.caretVisible()) {
    move(canvas.caretRow(), canvas.caretCol());
    curs_set(1);
  } else {
    curs_set(0);
  }
  refresh();
}

void Screen::bell() {
  if (open_) beep();
}

void restoreTerminalNow() {
  if (!screenOpen) return;
  screenOpen = false;
  writeAll(kResetSequences, sizeof kResetSequences - 1);
  if (haveSavedModes) ::tcsetattr(0, TCSANOW, &savedModes);
}

}  // namespace term
