// Drawing of the built-in controls, from their window data and their own messages.
#include "platform/display/terminal/Controls.h"

#include <strings.h>

#include <algorithm>
#include <vector>

#include "platform/display/terminal/Desktop.h"
#include "platform/posix/Internal.h"
#include "platform/posix/Utf8.h"
#include "platform/posix/controls/Controls.h"

namespace term {
namespace {

bool isClass(const posix::Window& w, const char* name) {
  return ::strcasecmp(w.className.c_str(), name) == 0;
}

// Focus is marked by the face itself, not only by an attribute a terminal may not show:
// "[>Save<]" for a focused button.
void drawButton(Canvas& c, const posix::Window& w, const Rect& r, bool focused) {
  std::string cap = withoutAccelerators(w.text);
  int width = r.width(), len = static_cast<int>(posix::utf8Length(cap));
  std::string face = len + 4 <= width   ? (focused ? "[>" + cap + "<]" : "[ " + cap + " ]")
                     : len + 2 <= width ? (focused ? ">" + cap + "<" : "[" + cap + "]")
                                        : cap;
  uint8_t attr = focused ? (Reverse | Bold) : Reverse;
  if (w.style & WS_DISABLED) attr |= Dim;
  int row = r.top + (r.height() - 1) / 2;
  c.fill(Rect{r.left, row, r.right, row + 1}, ' ', attr);
  int faceLen = static_cast<int>(posix::utf8Length(face));
  c.put(row, r.left + std::max(0, (width - faceLen) / 2), face, attr);
}

void drawCheckBox(Canvas& c, HWND hwnd, const posix::Window& w, const Rect& r, bool focused) {
  bool checked = SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
  int row = r.top + (r.height() - 1) / 2;
  std::string face = std::string(checked ? "[x] " : "[ ] ") + withoutAccelerators(w.text);
  c.put(row, r.left, face, focused ? (Reverse | Bold) : Normal);
}

void drawEdit(Canvas& c, HWND hwnd, const posix::Window& w, const Rect& r, bool focused) {
  posix::setEditView(hwnd, r.width(), 1);
  DWORD start = 0, end = 0;
  SendMessageA(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  size_t first = std::min<size_t>(SendMessageA(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0), w.text.size());
  std::string_view shown = std::string_view(w.text).substr(first);
  uint8_t attr = focused ? Reverse : Underline;
  int row = r.top + (r.height() - 1) / 2;
  c.fill(Rect{r.left, row, r.right, row + 1}, ' ', attr);
  c.put(row, r.left, shown, attr);
  if (start != end && focused) {  // the selection: shown as the text's opposite
    size_t a = std::max<size_t>(start, first), b = std::min<size_t>(end, w.text.size());
    if (a < b) {
      int col = r.left + static_cast<int>(posix::utf8Cells(shown.substr(0, a - first)));
      c.put(row, col, std::string_view(w.text).substr(a, b - a), Underline | Bold);
    }
  }
  size_t caret = std::clamp<size_t>(end, first, w.text.size());
  if (focused)
    c.setCaret(row, r.left + static_cast<int>(posix::utf8Cells(shown.substr(0, caret - first))));
}

void drawScrollBar(Canvas& c, HitMap& hits, const Rect& r, int first, int total, bool focused,
                   const Hit& base) {
  int col = r.right - 1, h = r.height();
  uint8_t attr = focused ? (Reverse | Bold) : Normal;
  for (int row = r.top; row < r.bottom; ++row) c.put(row, col, focused ? " " : ":", attr);
  if (h >= 2) {
    c.put(r.top, col, "^", attr);
    c.put(r.bottom - 1, col, "v", attr);
  }
  int track = std::max(0, h - 2), thumb = r.top + 1;
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

// Only the rows in view are asked for: a paint costs what is visible.
void drawMemo(Canvas& c, HitMap& hits, HWND hwnd, const posix::Window& w, const Rect& r,
              bool focused, const Hit& base) {
  bool bar = (w.style & WS_VSCROLL) && r.width() > 1;
  Rect text = r;
  if (bar) text.right -= 1;
  posix::setEditView(hwnd, text.width(), text.height());
  int first = static_cast<int>(SendMessageA(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0));
  int total = static_cast<int>(SendMessageA(hwnd, EM_GETLINECOUNT, 0, 0));
  c.fill(r, ' ');
  std::vector<std::string> rows = posix::editRows(hwnd, first, text.height());
  for (size_t i = 0; i < rows.size(); ++i) {
    const LRESULT colour = SendMessageA(hwnd, WM_GETTEXTCOLOUR, WPARAM(rows[i].size()),
                                        reinterpret_cast<LPARAM>(rows[i].c_str()));
    c.put(text.top + static_cast<int>(i), text.left, rows[i], colourAttr(colour));
  }
  if (bar) drawScrollBar(c, hits, r, first, total, focused, base);
}

void drawUpDown(Canvas& c, const Rect& r, bool focused) {
  uint8_t attr = focused ? (Reverse | Bold) : Reverse;
  if (r.height() >= 2) {
    c.put(r.top, r.left, "^", attr);
    c.put(r.bottom - 1, r.left, "v", attr);
  } else {
    c.put(r.top, r.left, "^v", attr);
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
