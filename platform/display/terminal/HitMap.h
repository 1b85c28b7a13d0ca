// What is drawn where: the regions of the last picture a mouse event may hit.
//
// Regions are added in drawing order; the last one added that contains a cell is
// the one on top. Window regions remember the cells their window's client area is
// drawn on, so a cell maps back to a point in the window's client pixels.
#pragma once

#include <vector>

#include "platform/display/terminal/Canvas.h"
#include "platform/winapi.h"

namespace term {

struct Hit {
  enum Kind {
    Window,
    MinimizeBox,
    MaximizeBox,
    CloseBox,
    Caption,
    ScrollUp,
    ScrollDown,
    ScrollPageUp,
    ScrollPageDown,
    Icon,
    DialogButton,
    DialogField,
    DialogFilter,
    DialogBody
  };
  Kind kind = Window;
  Rect r;
  HWND hwnd = nullptr;
  int index = 0;                 // icon number, dialog button number
  Rect cells;                    // the window's client area as drawn (not clipped)
  const void* dialog = nullptr;  // the box a dialog region belongs to
};

class HitMap {
 public:
  void clear() { hits_.clear(); }
  void add(const Hit& h) { hits_.push_back(h); }
  const Hit* at(int row, int col) const {
    for (auto it = hits_.rbegin(); it != hits_.rend(); ++it)
      if (it->r.contains(row, col)) return &*it;
    return nullptr;
  }

 private:
  std::vector<Hit> hits_;
};

// The nominal size of a cell in pixels: the screen size the platform reports, a
// character of the edit control, a line of the log. The layout (Layout.h) maps the
// window's pixels to cells by more than this one figure.
constexpr int kCellW = 8, kCellH = 16;

}  // namespace term
