// "EDIT": single-line and multi-line (ES_MULTILINE, CR LF line breaks) edit boxes.
// The text lives in the window text; the control keeps the selection (anchor and
// caret), the length limit, the first visible character or row, and for multi-line
// boxes the index of lines and wrapped rows (a multi-line box without ES_AUTOHSCROLL
// wraps words at its width). Text is UTF-8: a character of several bytes is one
// character to the caret, Backspace and Delete, and bytes typed one WM_CHAR at a
// time are put together; bytes that make no valid character are dropped. Every
// change of the text, by typing or by a message (WM_SETTEXT, EM_REPLACESEL), sends
// EN_CHANGE to the parent; read-only boxes ignore typing only.
#include <algorithm>
#include <string>

#include "platform/posix/Internal.h"
#include "platform/posix/Utf8.h"
#include "platform/posix/controls/Controls.h"
#include "platform/posix/controls/EditIndex.h"

namespace posix {
namespace {

struct EditData : ControlData {
  size_t anchor = 0, caret = 0;
  size_t limit = 0x7FFFFFFE;
  int first = 0;                   // multi-line: first visible row; else first visible byte
  int viewCols = 0, viewRows = 0;  // as the display shows the box; 0: from its pixels
  EditIndex index;
  std::string pending;  // the first bytes of a character being typed
};

EditData* data(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w) return nullptr;
  if (!w->control) w->control = std::make_unique<EditData>();
  return dynamic_cast<EditData*>(w->control.get());
}

std::string& text(HWND hwnd) { return findWindow(hwnd)->text; }
DWORD style(HWND hwnd) { return findWindow(hwnd)->style; }
bool multiLine(HWND hwnd) { return (style(hwnd) & ES_MULTILINE) != 0; }
bool wraps(HWND hwnd) { return multiLine(hwnd) && !(style(hwnd) & (ES_AUTOHSCROLL | WS_HSCROLL)); }

int viewCols(HWND hwnd) {
  EditData* d = data(hwnd);
  if (d->viewCols > 0) return d->viewCols;
  RECT r;
  GetClientRect(hwnd, &r);
  return std::max(1, static_cast<int>(r.right) / kCharWidth);
}

int visibleLines(HWND hwnd) {
  EditData* d = data(hwnd);
  if (d->viewRows > 0) return d->viewRows;
  RECT r;
  GetClientRect(hwnd, &r);
  return std::max(1, static_cast<int>(r.bottom) / kLineHeight);
}

void reindex(HWND hwnd, size_t from) {
  if (!multiLine(hwnd)) return;
  EditData* d = data(hwnd);
  int cols = wraps(hwnd) ? viewCols(hwnd) : 0;
  if (cols != d->index.wrap())
    d->index.setWrap(text(hwnd), cols);
  else
    d->index.changedFrom(text(hwnd), from);
}

int maxFirst(HWND hwnd) { return std::max(0, data(hwnd)->index.rows() - visibleLines(hwnd)); }

void scrollTo(HWND hwnd, int first) {
  EditData* d = data(hwnd);
  if (!multiLine(hwnd)) return;
  first = std::clamp(first, 0, maxFirst(hwnd));
  if (first != d->first) {
    d->first = first;
    notifyChanged(hwnd);
  }
}

// Single-line: the caret stays inside the shown characters.
void scrollCaretAcross(HWND hwnd) {
  EditData* d = data(hwnd);
  const std::string& t = text(hwnd);
  size_t first = std::min<size_t>(static_cast<size_t>(d->first), t.size());
  if (d->caret < first) first = d->caret;
  int cols = viewCols(hwnd);
  // Counted in cells: a wide character takes two.
  size_t shown = utf8Cells(std::string_view(t).substr(first, d->caret - first));
  while (first < d->caret && shown >= static_cast<size_t>(cols)) {
    size_t next = utf8Next(t, first);
    shown -= std::min(shown, utf8Cells(std::string_view(t).substr(first, next - first)));
    first = next;
  }
  if (static_cast<int>(first) != d->first) {
    d->first = static_cast<int>(first);
    notifyChanged(hwnd);
  }
}

void scrollCaret(HWND hwnd) {
  EditData* d = data(hwnd);
  if (!multiLine(hwnd)) return scrollCaretAcross(hwnd);
  int row = d->index.rowOf(text(hwnd), d->caret);
  if (row < d->first) scrollTo(hwnd, row);
  if (row >= d->first + visibleLines(hwnd)) scrollTo(hwnd, row - visibleLines(hwnd) + 1);
}

size_t selMin(const EditData& d) { return std::min(d.anchor, d.caret); }
size_t selMax(const EditData& d) { return std::max(d.anchor, d.caret); }

// Replaces the selection; the caret ends after the inserted text. A view that showed
// the last row keeps showing it, as a log is read.
void replaceSel(HWND hwnd, const std::string& with) {
  EditData* d = data(hwnd);
  std::string& t = text(hwnd);
  size_t a = std::min(selMin(*d), t.size()), b = std::min(selMax(*d), t.size());
  bool atBottom = multiLine(hwnd) && d->first >= maxFirst(hwnd);
  t.replace(a, b - a, with);
  d->anchor = d->caret = a + with.size();
  reindex(hwnd, a);
  notifyChanged(hwnd);
  if (atBottom) scrollTo(hwnd, maxFirst(hwnd));
  scrollCaret(hwnd);
  notifyParent(hwnd, EN_CHANGE);
}

// The offset one character before or after pos; CR LF is one character.
size_t charBefore(const std::string& t, size_t pos) {
  if (pos >= 2 && t.compare(pos - 2, 2, "\r\n") == 0) return pos - 2;
  return utf8Prev(t, pos);
}
size_t charAfter(const std::string& t, size_t pos) {
  if (t.compare(pos, 2, "\r\n") == 0) return pos + 2;
  return utf8Next(t, pos);
}

void insertText(HWND hwnd, const std::string& ins) {
  EditData* d = data(hwnd);
  if (text(hwnd).size() - (selMax(*d) - selMin(*d)) + ins.size() > d->limit) return;
  replaceSel(hwnd, ins);
}

// One byte of a character typed in the code page: complete characters go in.
void typeByte(HWND hwnd, unsigned char c) {
  EditData* d = data(hwnd);
  if (c >= 0x80 && c < 0xC0) {
    if (d->pending.empty()) return;  // a stray continuation byte
    d->pending += static_cast<char>(c);
  } else {
    d->pending.assign(1, static_cast<char>(c));  // an unfinished character is dropped
  }
  size_t need = utf8LeadLength(static_cast<unsigned char>(d->pending[0]));
  if (need == 0) return d->pending.clear();
  if (d->pending.size() < need) return;
  std::string ch;
  ch.swap(d->pending);
  if (utf8SequenceAt(ch, 0) == ch.size()) insertText(hwnd, ch);
}

void typeChar(HWND hwnd, char c) {
  EditData* d = data(hwnd);
  if (style(hwnd) & ES_READONLY) return;
  std::string& t = text(hwnd);
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 0x80) return typeByte(hwnd, u);
  d->pending.clear();
  if (c == '\b') {
    if (d->anchor == d->caret) {
      if (d->caret == 0) return;
      d->anchor = charBefore(t, d->caret);
    }
    replaceSel(hwnd, "");
    return;
  }
  if (c == '\r' || c == '\n') {
    if (multiLine(hwnd)) insertText(hwnd, "\r\n");
    return;
  }
  if (u < 0x20 || u == 0x7f) return;
  if ((style(hwnd) & ES_NUMBER) && (c < '0' || c > '9')) return;
  insertText(hwnd, std::string(1, c));
}

void moveCaret(HWND hwnd, size_t to) {
  EditData* d = data(hwnd);
  to = std::min(to, text(hwnd).size());
  d->caret = to;
  if (!(GetKeyState(VK_SHIFT) & 0x8000)) d->anchor = to;
  scrollCaret(hwnd);
  notifyChanged(hwnd);
}

bool scrollKey(HWND hwnd, WPARAM vk) {
  EditData* d = data(hwnd);
  int page = visibleLines(hwnd);
  switch (vk) {
    case VK_PRIOR:
      scrollTo(hwnd, d->first - page);
      return true;
    case VK_NEXT:
      scrollTo(hwnd, d->first + page);
      return true;
    case VK_UP:
      scrollTo(hwnd, d->first - 1);
      return true;
    case VK_DOWN:
      scrollTo(hwnd, d->first + 1);
      return true;
    case VK_HOME:
      scrollTo(hwnd, 0);
      return true;
    case VK_END:
      scrollTo(hwnd, maxFirst(hwnd));
      return true;
  }
  return false;
}

void keyDown(HWND hwnd, WPARAM vk) {
  EditData* d = data(hwnd);
  std::string& t = text(hwnd);
  if (multiLine(hwnd) && scrollKey(hwnd, vk)) return;
  switch (vk) {
    case VK_LEFT:
      if (d->caret > 0) moveCaret(hwnd, charBefore(t, d->caret));
      break;
    case VK_RIGHT:
      moveCaret(hwnd, charAfter(t, d->caret));
      break;
    case VK_HOME:
      moveCaret(hwnd, 0);
      break;
    case VK_END:
      moveCaret(hwnd, t.size());
      break;
    case VK_DELETE:
      if (style(hwnd) & ES_READONLY) return;
      if (d->anchor == d->caret) {
        if (d->caret >= t.size()) return;
        d->anchor = charAfter(t, d->caret);
      }
      replaceSel(hwnd, "");
      break;
  }
}

void vscroll(HWND hwnd, WPARAM wp) {
  EditData* d = data(hwnd);
  int page = visibleLines(hwnd);
  switch (LOWORD(wp)) {
    case SB_LINEUP:
      scrollTo(hwnd, d->first - 1);
      break;
    case SB_LINEDOWN:
      scrollTo(hwnd, d->first + 1);
      break;
    case SB_PAGEUP:
      scrollTo(hwnd, d->first - page);
      break;
    case SB_PAGEDOWN:
      scrollTo(hwnd, d->first + page);
      break;
    case SB_TOP:
      scrollTo(hwnd, 0);
      break;
    case SB_BOTTOM:
      scrollTo(hwnd, maxFirst(hwnd));
      break;
    case SB_THUMBPOSITION:
      scrollTo(hwnd, HIWORD(wp));
      break;
  }
}

// The offset col cells into [from, to), at most to.
size_t advance(const std::string& t, size_t from, size_t to, int col) {
  while (col > 0 && from < to) {
    size_t next = utf8Next(t, from);
    col -= int(utf8Cells(std::string_view(t).substr(from, next - from)));
    from = next;
  }
  return std::min(from, to);
}

size_t offsetAt(HWND hwnd, LPARAM lp) {
  const std::string& t = text(hwnd);
  EditData* d = data(hwnd);
  int col = std::max(0, GET_X_LPARAM(lp) / kCharWidth);
  if (!multiLine(hwnd)) {
    size_t first = std::min<size_t>(static_cast<size_t>(d->first), t.size());
    return advance(t, first, t.size(), col);
  }
  int row = d->first + std::max(0, GET_Y_LPARAM(lp) / kLineHeight);
  if (row >= d->index.rows()) return t.size();
  auto [from, to] = d->index.rowSpan(t, row);
  return advance(t, from, to, col);
}

void setView(HWND hwnd, int cols, int rows) {
  EditData* d = data(hwnd);
  if (cols == d->viewCols && rows == d->viewRows) return;
  bool atBottom = multiLine(hwnd) && d->first >= maxFirst(hwnd);
  d->viewCols = cols;
  d->viewRows = rows;
  reindex(hwnd, 0);
  if (atBottom)
    scrollTo(hwnd, maxFirst(hwnd));
  else
    scrollTo(hwnd, d->first);
  if (!multiLine(hwnd)) scrollCaretAcross(hwnd);
}

LRESULT selection(EditData* d, WPARAM wp, LPARAM lp) {
  if (wp) *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(selMin(*d));
  if (lp) *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(selMax(*d));
  return MAKELONG(std::min<size_t>(selMin(*d), 0xFFFF), std::min<size_t>(selMax(*d), 0xFFFF));
}

void setSelection(HWND hwnd, EditData* d, WPARAM wp, LPARAM lp) {
  size_t len = text(hwnd).size();
  if (static_cast<int>(wp) == -1) {
    d->anchor = d->caret;  // keeps the caret, drops the selection
  } else {
    d->anchor = std::min<size_t>(static_cast<DWORD>(wp), len);
    d->caret = static_cast<int>(lp) < 0 ? len : std::min<size_t>(static_cast<DWORD>(lp), len);
  }
  if (!multiLine(hwnd)) scrollCaretAcross(hwnd);
  notifyChanged(hwnd);
}

}  // namespace

void setEditView(HWND edit, int cols, int rows) {
  if (findWindow(edit) && data(edit)) setView(edit, std::max(1, cols), std::max(1, rows));
}

std::vector<std::string> editRows(HWND edit, int first, int count) {
  std::vector<std::string> out;
  EditData* d = data(edit);
  if (!d) return out;
  const std::string& t = text(edit);
  if (!multiLine(edit)) {
    if (first == 0 && count > 0) out.push_back(t);
    return out;
  }
  for (int row = std::max(0, first); row < d->index.rows() && row < first + count; ++row) {
    auto [from, to] = d->index.rowSpan(t, row);
    out.push_back(expandTabs(std::string_view(t).substr(from, to - from)));
  }
  return out;
}

LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  EditData* d = data(hwnd);
  if (!d) return 0;
  switch (msg) {
    case WM_SETTEXT:
      DefWindowProcA(hwnd, msg, wp, lp);
      d->anchor = d->caret = 0;
      d->first = 0;
      d->pending.clear();
      reindex(hwnd, 0);
      notifyParent(hwnd, EN_CHANGE);
      return TRUE;
    case WM_CHAR:
      typeChar(hwnd, static_cast<char>(wp));
      return 0;
    case WM_KEYDOWN:
      keyDown(hwnd, wp);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      if (IsWindow(hwnd)) moveCaret(hwnd, offsetAt(hwnd, lp));
      return 0;
    case WM_SETFOCUS:
      // Entered from the keyboard, the text is selected so that typing replaces it; a
      // click puts the caret where it lands right after.
      if (!multiLine(hwnd)) setSelection(hwnd, d, 0, -1);
      notifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      notifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case EM_GETSEL:
      return selection(d, wp, lp);
    case EM_SETSEL:
      setSelection(hwnd, d, wp, lp);
      return 0;
    case EM_REPLACESEL:
      replaceSel(hwnd, lp ? reinterpret_cast<const char*>(lp) : "");
      return 0;
    case EM_LIMITTEXT:
      d->limit = wp ? wp : 0x7FFFFFFE;
      return 0;
    case EM_SETREADONLY:
      if (wp)
        findWindow(hwnd)->style |= ES_READONLY;
      else
        findWindow(hwnd)->style &= ~ES_READONLY;
      notifyChanged(hwnd);
      return TRUE;
    case EM_GETLINECOUNT:
      return multiLine(hwnd) ? d->index.rows() : 1;
    case EM_GETFIRSTVISIBLELINE:
      return d->first;
    case EM_LINESCROLL:
      scrollTo(hwnd, d->first + static_cast<int>(lp));
      return TRUE;
    case EM_SCROLLCARET:
      scrollCaret(hwnd);
      return TRUE;
    case WM_VSCROLL:
      vscroll(hwnd, wp);
      return 0;
    case WM_MOUSEWHEEL:
      if (!multiLine(hwnd)) break;
      scrollTo(hwnd, d->first - GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3);
      return 0;
    case WM_SIZE:
      if (multiLine(hwnd) && d->viewCols == 0) reindex(hwnd, 0);
      if (multiLine(hwnd)) scrollTo(hwnd, d->first);
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace posix
