// The cell grid the terminal display draws into.
#include "platform/display/terminal/Canvas.h"

#include <algorithm>

#include "platform/posix/Utf8.h"

namespace term {

Rect intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void Canvas::resize(int rows, int cols) {
  rows_ = std::max(rows, 0);
  cols_ = std::max(cols, 0);
  cells_.assign(static_cast<size_t>(rows_) * cols_, Cell{});
  resetClip();
  caretVisible_ = false;
}

void Canvas::clear() {
  std::fill(cells_.begin(), cells_.end(), Cell{});
  resetClip();
  caretVisible_ = false;
}

void Canvas::setClip(const Rect& r) { clip_ = intersect(r, Rect{0, 0, cols_, rows_}); }

void Canvas::resetClip() { clip_ = Rect{0, 0, cols_, rows_}; }

void Canvas::put(int row, int col, std::string_view text, uint8_t attr) {
  if (row < clip_.top || row >= clip_.bottom) return;
  Cell* line = cells_.data() + static_cast<size_t>(row) * cols_;
  int c = col;
  for (size_t i = 0; i < text.size() && c < clip_.right;) {
    char32_t ch;
    // Control characters (C0 and C1) would move the terminal's cursor or start a
    // command; bytes that are no UTF-8 are shown as '?'.
    if (!posix::utf8Decode(text, i, ch) || ch < 0x20 || (ch >= 0x7f && ch < 0xa0)) ch = U'?';
    int w = posix::cellWidth(ch);
    if (w == 0) {  // on the character before, when it is in this text and drawn
      int base = c - 1;
      if (base >= clip_.left && base >= col && line[base].ch == kWideTail) --base;
      if (base >= clip_.left && base >= col && line[base].mark == 0) line[base].mark = ch;
      continue;
    }
    if (w == 2 && c + 1 >= clip_.right) ch = U' ', w = 1;  // half a character: a blank
    if (c >= clip_.left) line[c] = Cell{ch, attr};
    if (w == 2 && c + 1 >= clip_.left) line[c + 1] = Cell{c >= clip_.left ? kWideTail : U' ', attr};
    c += w;
  }
}

void Canvas::fill(const Rect& r, char ch, uint8_t attr) {
  Rect f = intersect(r, clip_);
  for (int row = f.top; row < f.bottom; ++row)
    for (int c = f.left; c < f.right; ++c)
      cells_[row * cols_ + c] = Cell{static_cast<unsigned char>(ch), attr};
}

void Canvas::frame(const Rect& r, uint8_t attr) {
  if (r.width() < 2 || r.height() < 2) return;
  std::string line(r.width(), '-');
  line.front() = line.back() = '+';
  put(r.top, r.left, line, attr);
  put(r.bottom - 1, r.left, line, attr);
  for (int row = r.top + 1; row < r.bottom - 1; ++row) {
    put(row, r.left, "|", attr);
    put(row, r.right - 1, "|", attr);
  }
}

std::string Canvas::rowText(int row) const {
  std::string s;
  for (int c = 0; c < cols_; ++c) {
    const Cell& cell = at(row, c);
    if (cell.ch == kWideTail) continue;
    s += posix::utf8Encode(cell.ch);
    if (cell.mark) s += posix::utf8Encode(cell.mark);
  }
  return s;
}

void Canvas::setCaret(int row, int col) {
  caretVisible_ = row >= 0 && row < rows_ && col >= 0 && col < cols_;
  caretRow_ = row;
  caretCol_ = col;
}

}  // namespace term
