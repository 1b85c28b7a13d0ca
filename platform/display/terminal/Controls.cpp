// Drawing of the built-in controls, from their window data and their own messages.
#include "platform/display/terminal/Controls.h"

#include <strings.h>

#include <algorithm>
#include <vector>

#include "platform/posix/Internal.h"

namespace term {
namespace {

bool isClass(const posix::Window& w, const char* name) {
  return ::strcasecmp(w.className.c_str(), name) == 0;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r') {
      lines.emplace_back();
    } else if (text[i] == '\t') {  // tab stops every 8 cells, as the edit control's
      lines.back().append(8 - lines.back().size() % 8, ' ');
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

void drawButton(Canvas& c, const posix::Window& w, const Rect& r, bool focused) {
  std::string cap = withoutAccelerators(w.text);
  int width = r.width();
  std::string face = static_cast<int>(cap.size()) + 4 <= width   ? "[ " + cap + " ]"
                     : static_cast<int>(cap.size()) + 2 <= width ? "[" + cap + "]"
                                                                 : cap;
  uint8_t attr = focused ? (Reverse | Bold) : Reverse;
  if (w.style & WS_DISABLED) attr |= Dim;
  int row = r.top + (r.height() - 1) / 2;
  c.fill(Rect{r.left, row, r.right, row + 1}, ' ', attr);
  int col = r.left + std::max(0, (width - static_cast<int>(face.size())) / 2);
  c.put(row, col, std::string_view(face).substr(0, static_cast<size_t>(width)), attr);
}

void drawCheckBox(Canvas& c, HWND hwnd, const posix::Window& w, const Rect& r, bool focused) {
  bool checked = SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
  int row = r.top + (r.height() - 1) / 2;
  c.put(row, r.left, checked ? "[x]" : "[ ]", focused ? Reverse : Normal);
  c.put(row, r.left + 4, withoutAccelerators(w.text), focused ? Bold : Normal);
}

void drawEdit(Canvas& c, HWND hwnd, const posix::Window& w, const Rect& r, bool focused) {
  DWORD start = 0, end = 0;
  SendMessageA(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  int caret = static_cast<int>(std::min<size_t>(end, w.text.size()));
  int width = std::max(1, r.width());
  // Scroll so that the caret stays inside the field.
  int first = std::max(0, caret - width + 1);
  uint8_t attr = focused ? Reverse : Underline;
  int row = r.top + (r.height() - 1) / 2;
  c.fill(Rect{r.left, row, r.right, row + 1}, ' ', attr);
  c.put(row, r.left,
        std::string_view(w.text).substr(std::min<size_t>(first, w.text.size()),
                                        static_cast<size_t>(width)),
        attr);
  if (focused) c.setCaret(row, r.left + caret - first);
}

void drawMemo(Canvas& c, HitMap& hits, HWND hwnd, const posix::Window& w, const Rect& r,
              bool focused, const Hit& base) {
  std::vector<std::string> lines = splitLines(w.text);
  int first = static_cast<int>(SendMessageA(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0));
  bool bar = (w.style & WS_VSCROLL) && r.width() > 1;
  Rect text = r;
  if (bar) text.right -= 1;
  c.fill(r, ' ');
  for (int row = 0; row < text.height(); ++row) {
    size_t i = static_cast<size_t>(first + row);
    if (i >= lines.size()) break;
    c.setClip(intersect(text, Rect{0, 0, c.cols(), c.rows()}));
    c.put(text.top + row, text.left, lines[i]);
    c.resetClip();
  }
  if (!bar) return;
  int col = r.right - 1, h = r.height();
  uint8_t attr = focused ? Reverse : Normal;
  for (int row = r.top; row < r.bottom; ++row) c.put(row, col, ":", attr);
  if (h >= 2) {
    c.put(r.top, col, "^", attr);
    c.put(r.bottom - 1, col, "v", attr);
  }
  int total = static_cast<int>(lines.size()), track = std::max(0, h - 2);
  int thumb = r.top + 1;
  if (total > h && track > 0)
    thumb += std::min(track - 1, first * track / std::max(1, total - h + 1));
  if (track > 0) c.put(thumb, col, "#", attr);
  auto region = [&](Hit::Kind k, int top, int bottom) {
    if (bottom <= top) return;
    Hit hit = base;
    hit.kind = k;
    hit.r = Rect{col, top, col + 1, bottom};
    hits.add(hit);
  };
  region(Hit::ScrollPageUp, r.top + 1, thumb);
  region(Hit::ScrollPageDown, thumb + 1, r.bottom - 1);
  region(Hit::ScrollUp, r.top, r.top + 1);
  region(Hit::ScrollDown, r.bottom - 1, r.bottom);
}

void drawUpDown(Canvas& c, const Rect& r, bool focused) {
  uint8_t attr = focused ? (Reverse | Bold) : Reverse;
  if (r.height() >= 2) {
    c.put(r.top, r.left, "^", attr);
    c.put(r.bottom - 1, r.left, "v", attr);
  } else if (r.width() >= 2) {
    c.put(r.top, r.left, "^v", attr);
  } else {
    c.put(r.top, r.left, "+", attr);
  }
}

}  // namespace

std::string withoutAccelerators(const std::string& caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size())
      ++i;
    else if (caption[i] == '&')
      continue;
    out += caption[i];
  }
  return out;
}

void drawControl(Canvas& c, HitMap& hits, HWND hwnd, const Rect& r, bool focused, const Hit& base) {
  posix::Window* w = posix::findWindow(hwnd);
  if (!w) return;
  DWORD kind = w->style & 0x0F;
  if (isClass(*w, "BUTTON")) {
    if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX)
      drawCheckBox(c, hwnd, *w, r, focused);
    else
      drawButton(c, *w, r, focused);
  } else if (isClass(*w, "EDIT")) {
    if (w->style & ES_MULTILINE)
      drawMemo(c, hits, hwnd, *w, r, focused, base);
    else
      drawEdit(c, hwnd, *w, r, focused);
  } else if (isClass(*w, "STATIC")) {
    c.put(r.top, r.left, withoutAccelerators(w->text));
  } else if (isClass(*w, UPDOWN_CLASSA)) {
    drawUpDown(c, r, focused);
  }
  // Other classes (panels, forms of the framework) show only their children.
}

}  // namespace term
