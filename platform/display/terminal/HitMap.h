// What is drawn where: the regions of the last picture a mouse event may hit.
//
// Regions are added in drawing order; the last one added that contains a cell is
// the one on top. Window regions remember the cell offset their top-level window
// was moved by to fit the screen, so a cell maps back to the window's pixels.
#pragma once

#include <vector>

#include "platform/display/terminal/Canvas.h"
#include "platform/winapi.h"

namespace term {

struct Hit {
  enum Kind {
    Window,
    MinimizeBox,
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
  int dcol = 0, drow = 0;        // offset of the top-level window on the screen, cells
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

// Cell <-> pixel: one cell is 8 x 16 pixels.
constexpr int kCellW = 8, kCellH = 16;
inline int cellCol(int px) { return px >= 0 ? px / kCellW : -((-px + kCellW - 1) / kCellW); }
inline int cellRow(int py) { return py >= 0 ? py / kCellH : -((-py + kCellH - 1) / kCellH); }

}  // namespace term
