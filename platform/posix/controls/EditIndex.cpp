// The line and row index of the multi-line edit box.
#include "platform/posix/controls/EditIndex.h"

#include <algorithm>

#include "platform/posix/Utf8.h"

namespace posix {

// The cells of the character at line[i] when it starts at cell col: a tab runs to the
// next tab stop, other characters take their display width.
int cellsAt(std::string_view line, size_t i, int col) {
  if (line[i] == '\t') return kTabCells - col % kTabCells;
  char32_t cp;
  return utf8Decode(line, i, cp) ? cellWidth(cp) : 1;
}

std::vector<size_t> wrapRows(std::string_view line, int cols) {
  std::vector<size_t> starts{0};
  if (cols <= 0) return starts;
  int n = 0;                       // cells used on the current row
  size_t brk = std::string::npos;  // offset after the row's last space
  for (size_t i = 0; i < line.size();) {
    size_t next = utf8Next(line, i);
    int w = cellsAt(line, i, n);
    if (n > 0 && n + w > cols) {
      if (line[i] == ' ') {  // hangs off the full row
        if (next < line.size()) starts.push_back(next);
        n = 0;
        brk = std::string::npos;
        i = next;
        continue;
      }
      starts.push_back(brk != std::string::npos ? brk : i);
      brk = std::string::npos;
      n = 0;
      for (size_t k = starts.back(); k < i; k = utf8Next(line, k)) n += cellsAt(line, k, n);
      w = cellsAt(line, i, n);
    }
    if (line[i] == ' ') brk = next;
    n += w;
    i = next;
  }
  return starts;
}

std::string expandTabs(std::string_view row) {
  std::string out;
  int col = 0;
  for (size_t i = 0; i < row.size(); i = utf8Next(row, i)) {
    const int w = cellsAt(row, i, col);
    if (row[i] == '\t')
      out.append(static_cast<size_t>(w), ' ');
    else
      out.append(row.substr(i, utf8Next(row, i) - i));
    col += w;
  }
  return out;
}

void EditIndex::setWrap(const std::string& text, int cols) {
  if (cols == wrap_) return;
  wrap_ = cols;
  changedFrom(text, 0);
}

size_t EditIndex::lineEnd(const std::string& text, int line) const {
  size_t next = static_cast<size_t>(line) + 1;
  return next < starts_.size() ? starts_[next] - 2 : text.size();
}

void EditIndex::changedFrom(const std::string& text, size_t offset) {
  // The line before may have ended in the CR of a CR LF that the change completed
  // or split, so it is indexed again too.
  int line = std::max(0, lineOf(std::min(offset, text.size())) - 1);
  starts_.resize(static_cast<size_t>(line) + 1);
  rowEnd_.resize(static_cast<size_t>(line));
  if (line == 0) {  // indexed anew (the text was replaced): give a long index's memory back
    starts_.shrink_to_fit();
    rowEnd_.shrink_to_fit();
  }
  if (starts_.back() > text.size()) starts_.back() = text.size();
  for (size_t p = text.find("\r\n", starts_.back()); p != std::string::npos;
       p = text.find("\r\n", p + 2))
    starts_.push_back(p + 2);
  for (int l = line; l < lines(); ++l) {
    size_t a = starts_[static_cast<size_t>(l)], b = lineEnd(text, l);
    int rows = static_cast<int>(wrapRows(std::string_view(text).substr(a, b - a), wrap_).size());
    rowEnd_.push_back(rowsBefore(l) + rows);
  }
}

int EditIndex::lineOf(size_t offset) const {
  auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<int>(it - starts_.begin()) - 1;
}

int EditIndex::rowOf(const std::string& text, size_t offset) const {
  int line = lineOf(offset);
  size_t a = starts_[static_cast<size_t>(line)], b = lineEnd(text, line);
  std::vector<size_t> rs = wrapRows(std::string_view(text).substr(a, b - a), wrap_);
  size_t within = std::min(offset, b) - a;
  int k = static_cast<int>(std::upper_bound(rs.begin(), rs.end(), within) - rs.begin()) - 1;
  return rowsBefore(line) + std::max(0, k);
}

std::pair<size_t, size_t> EditIndex::rowSpan(const std::string& text, int row) const {
  if (row < 0 || row >= rows()) return {text.size(), text.size()};
  int line =
      static_cast<int>(std::upper_bound(rowEnd_.begin(), rowEnd_.end(), row) - rowEnd_.begin());
  size_t a = starts_[static_cast<size_t>(line)], b = lineEnd(text, line);
  std::vector<size_t> rs = wrapRows(std::string_view(text).substr(a, b - a), wrap_);
  size_t k = static_cast<size_t>(row - rowsBefore(line));
  size_t from = a + rs[k], to = k + 1 < rs.size() ? a + rs[k + 1] : b;
  return {from, to};
}

}  // namespace posix
