// The lines of a multi-line edit box and the rows they wrap into, kept as the text
// changes, so that appending a line costs the line, not the text, and finding what
// a row shows costs a binary search.
//
// Lines end at CR LF. With a wrap width, a line breaks into rows at the last space
// that fits (a space at the break hangs off the row's end), or in a word longer
// than the row; characters are UTF-8, one cell each (a tab up to the next stop).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace posix {

class EditIndex {
 public:
  // cols 0: lines do not wrap. The text is indexed again when the width changes.
  void setWrap(const std::string& text, int cols);
  int wrap() const { return wrap_; }
  // The text changed from offset on (everything before it is as it was).
  void changedFrom(const std::string& text, size_t offset);

  int lines() const { return static_cast<int>(starts_.size()); }
  int rows() const { return rowEnd_.empty() ? 1 : rowEnd_.back(); }
  int lineOf(size_t offset) const;
  int rowOf(const std::string& text, size_t offset) const;
  // The text a row shows: [first, second) offsets.
  std::pair<size_t, size_t> rowSpan(const std::string& text, int row) const;

 private:
  size_t lineEnd(const std::string& text, int line) const;
  int rowsBefore(int line) const { return line <= 0 ? 0 : rowEnd_[static_cast<size_t>(line) - 1]; }

  std::vector<size_t> starts_{0};  // offset of each line
  std::vector<int> rowEnd_{1};     // rows up to and including each line
  int wrap_ = 0;
};

constexpr int kTabCells = 8;  // tab stops, as the edit control's

// Where the rows of one line start (offsets into it); the first is 0.
std::vector<size_t> wrapRows(std::string_view line, int cols);
// A row as shown: tabs become spaces up to the next tab stop.
std::string expandTabs(std::string_view row);

}  // namespace posix
