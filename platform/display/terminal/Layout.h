// Where each shown window is drawn, in cells.
//
// A straight projection of pixels onto cells cuts captions (the dialog font is
// proportional and narrower than a cell), so the pixel layout is only the starting
// point: cells are counted from each parent's own origin (the look does not depend
// on where the window lies on the screen); a one-line control sits on the row of its
// pixel centre; a control is at least as wide as its text needs, and one that grows
// pushes the controls after it in its row to the right (order kept, never overlapping);
// a parent grows to hold its children, and a child spanning its parent's width keeps
// spanning it. A window wider than the screen is laid out again with more pixels per
// column (which only narrows what can be narrowed); one taller than the screen gives
// rows from its tallest child on the bottom edge (the log) first. When even that does
// not fit, the window is marked too small, with the size it needs.
#pragma once

#include <map>

#include "platform/display/terminal/Canvas.h"
#include "platform/winapi.h"

namespace term {

struct Placement {
  Rect box;     // the whole window (frame and title bar included), screen cells
  Rect client;  // its client area
  bool framed = false, titled = false;
};

struct TopLayout {
  bool tooSmall = false;
  int needCols = 0, needRows = 0;  // the terminal size the window needs
};

class Layout {
 public:
  // Lays out one shown top-level window and its shown descendants on the desk.
  TopLayout place(HWND top, const Rect& desk);
  const Placement* find(HWND hwnd) const;
  void clear() { placed_.clear(); }

 private:
  std::map<HWND, Placement> placed_;
};

// The cells a control's text needs to show whole (0: no need of its own).
int textCells(HWND hwnd);

}  // namespace term
