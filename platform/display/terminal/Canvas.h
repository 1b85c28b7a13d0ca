// An off-screen grid of character cells that the terminal display draws into.
//
// Drawing happens here, in plain C++, so that what reaches the terminal is one copy
// of this grid (Screen) and tests can read the picture without a terminal.
// Every write is clipped to the current clip rectangle and the grid. Text is UTF-8,
// in cells as a terminal shows it: a wide character takes two (the second holds
// kWideTail), a combining mark goes on the cell before it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace term {

// Green and Red are drawn only where the terminal has colours; the text says the same.
enum Attr : uint8_t {
  Normal = 0,
  Bold = 1,
  Reverse = 2,
  Underline = 4,
  Dim = 8,
  Green = 16,
  Red = 32
};

inline constexpr char32_t kWideTail = 0;  // the right half of a wide character

struct Cell {
  char32_t ch = U' ';
  uint8_t attr = Normal;
  char32_t mark = 0;  // a combining mark drawn on the character, or 0
  bool operator==(const Cell&) const = default;
};

struct Rect {  // cells; right and bottom exclusive
  int left = 0, top = 0, right = 0, bottom = 0;
  bool contains(int row, int col) const {
    return col >= left && col < right && row >= top && row < bottom;
  }
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};
Rect intersect(const Rect& a, const Rect& b);

class Canvas {
 public:
  void resize(int rows, int cols);
  void clear();
  int rows() const { return rows_; }
  int cols() const { return cols_; }

  void setClip(const Rect& r);  // intersected with the grid
  void resetClip();
  void put(int row, int col, std::string_view text, uint8_t attr = Normal);
  void fill(const Rect& r, char ch, uint8_t attr = Normal);
  void frame(const Rect& r, uint8_t attr = Normal);  // ASCII box on the rectangle's edge

  const Cell& at(int row, int col) const { return cells_[row * cols_ + col]; }
  std::string rowText(int row) const;  // UTF-8

  // Where the terminal cursor goes after drawing (the caret), or hidden.
  void setCaret(int row, int col);
  void hideCaret() { caretVisible_ = false; }
  bool caretVisible() const { return caretVisible_; }
  int caretRow() const { return caretRow_; }
  int caretCol() const { return caretCol_; }

 private:
  int rows_ = 0, cols_ = 0;
  std::vector<Cell> cells_;
  Rect clip_;
  bool caretVisible_ = false;
  int caretRow_ = 0, caretCol_ = 0;
};

}  // namespace term
