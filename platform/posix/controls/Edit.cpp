// "EDIT": single-line and multi-line (ES_MULTILINE, CR LF line breaks) edit boxes.
// The text lives in the window text; the control keeps the selection (anchor and
// caret), the length limit and, for multi-line boxes, the first visible line.
// Every change of the text, by typing or by a message (WM_SETTEXT, EM_REPLACESEL),
// sends EN_CHANGE to the parent; read-only boxes ignore typing only.
#include <algorithm>
#include <string>

#include "platform/posix/Internal.h"
#include "platform/posix/controls/Controls.h"

namespace posix {
namespace {

struct EditData : ControlData {
  size_t anchor = 0, caret = 0;
  size_t limit = 0x7FFFFFFE;
  int firstLine = 0;
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

int lineCount(const std::string& t) {
  int n = 1;
  for (size_t i = 0; i + 1 < t.size(); ++i)
    if (t[i] == '\r' && t[i + 1] == '\n') ++n;
  return n;
}

int lineOf(const std::string& t, size_t offset) {
  int n = 0;
  for (size_t i = 0; i + 1 < t.size() && i < offset; ++i)
    if (t[i] == '\r' && t[i + 1] == '\n') ++n;
  return n;
}

int visibleLines(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return std::max(1, static_cast<int>(r.bottom) / kLineHeight);
}

void scrollTo(HWND hwnd, int first) {
  EditData* d = data(hwnd);
  if (!multiLine(hwnd)) return;
  int maxFirst = std::max(0, lineCount(text(hwnd)) - visibleLines(hwnd));
  first = std::clamp(first, 0, maxFirst);
  if (first != d->firstLine) {
    d->firstLine = first;
    notifyChanged(hwnd);
  }
}

void scrollCaret(HWND hwnd) {
  EditData* d = data(hwnd);
  int line = lineOf(text(hwnd), d->caret);
  if (line < d->firstLine) scrollTo(hwnd, line);
  if (line >= d->firstLine + visibleLines(hwnd)) scrollTo(hwnd, line - visibleLines(hwnd) + 1);
}

size_t selMin(const EditData& d) { return std::min(d.anchor, d.caret); }
size_t selMax(const EditData& d) { return std::max(d.anchor, d.caret); }

// Replaces the selection; the caret ends after the inserted text.
void replaceSel(HWND hwnd, const std::string& with) {
  EditData* d = data(hwnd);
  std::string& t = text(hwnd);
  size_t a = std::min(selMin(*d), t.size()), b = std::min(selMax(*d), t.size());
  t.replace(a, b - a, with);
  d->anchor = d->caret = a + with.size();
  notifyChanged(hwnd);
  if (multiLine(hwnd)) scrollCaret(hwnd);
  notifyParent(hwnd, EN_CHANGE);
}

void typeChar(HWND hwnd, char c) {
  EditData* d = data(hwnd);
  if (style(hwnd) & ES_READONLY) return;
  std::string& t = text(hwnd);
  if (c == '\b') {
    if (d->anchor == d->caret) {
      if (d->caret == 0) return;
      bool crlf = d->caret >= 2 && t.compare(d->caret - 2, 2, "\r\n") == 0;
      d->anchor = d->caret - (crlf ? 2 : 1);
    }
    replaceSel(hwnd, "");
    return;
  }
  std::string ins;
  if (c == '\r' || c == '\n') {
    if (!multiLine(hwnd)) return;
    ins = "\r\n";
  } else if (static_cast<unsigned char>(c) < 0x20) {
    return;
  } else {
    if ((style(hwnd) & ES_NUMBER) && (c < '0' || c > '9')) return;
    ins = std::string(1, c);
  }
  if (t.size() - (selMax(*d) - selMin(*d)) + ins.size() > d->limit) return;
  replaceSel(hwnd, ins);
}

void moveCaret(HWND hwnd, size_t to) {
  EditData* d = data(hwnd);
  to = std::min(to, text(hwnd).size());
  d->caret = to;
  if (!(GetKeyState(VK_SHIFT) & 0x8000)) d->anchor = to;
  notifyChanged(hwnd);
}

void keyDown(HWND hwnd, WPARAM vk) {
  EditData* d = data(hwnd);
  std::string& t = text(hwnd);
  if (multiLine(hwnd)) {
    int page = visibleLines(hwnd);
    switch (vk) {
      case VK_PRIOR:
        scrollTo(hwnd, d->firstLine - page);
        return;
      case VK_NEXT:
        scrollTo(hwnd, d->firstLine + page);
        return;
      case VK_UP:
        scrollTo(hwnd, d->firstLine - 1);
        return;
      case VK_DOWN:
        scrollTo(hwnd, d->firstLine + 1);
        return;
      case VK_HOME:
        scrollTo(hwnd, 0);
        return;
      case VK_END:
        scrollTo(hwnd, lineCount(t));
        return;
    }
  }
  switch (vk) {
    case VK_LEFT:
      if (d->caret > 0) moveCaret(hwnd, d->caret - 1);
      break;
    case VK_RIGHT:
      moveCaret(hwnd, d->caret + 1);
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
        bool crlf = t.compare(d->caret, 2, "\r\n") == 0;
        d->anchor = d->caret + (crlf ? 2 : 1);
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
      scrollTo(hwnd, d->firstLine - 1);
      break;
    case SB_LINEDOWN:
      scrollTo(hwnd, d->firstLine + 1);
      break;
    case SB_PAGEUP:
      scrollTo(hwnd, d->firstLine - page);
      break;
    case SB_PAGEDOWN:
      scrollTo(hwnd, d->firstLine + page);
      break;
    case SB_TOP:
      scrollTo(hwnd, 0);
      break;
    case SB_BOTTOM:
      scrollTo(hwnd, lineCount(text(hwnd)));
      break;
    case SB_THUMBPOSITION:
      scrollTo(hwnd, HIWORD(wp));
      break;
  }
}

size_t offsetAt(HWND hwnd, LPARAM lp) {
  const std::string& t = text(hwnd);
  EditData* d = data(hwnd);
  int col = std::max(0, GET_X_LPARAM(lp) / 8);
  int row = multiLine(hwnd) ? d->firstLine + std::max(0, GET_Y_LPARAM(lp) / kLineHeight) : 0;
  size_t start = 0;
  for (int r = 0; r < row; ++r) {
    size_t nl = t.find("\r\n", start);
    if (nl == std::string::npos) return t.size();
    start = nl + 2;
  }
  size_t end = t.find("\r\n", start);
  if (end == std::string::npos) end = t.size();
  return std::min(start + col, end);
}

}  // namespace

LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  EditData* d = data(hwnd);
  if (!d) return 0;
  switch (msg) {
    case WM_SETTEXT:
      DefWindowProcA(hwnd, msg, wp, lp);
      d->anchor = d->caret = 0;
      d->firstLine = 0;
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
      notifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      notifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case EM_GETSEL:
      if (wp) *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(selMin(*d));
      if (lp) *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(selMax(*d));
      return MAKELONG(std::min<size_t>(selMin(*d), 0xFFFF), std::min<size_t>(selMax(*d), 0xFFFF));
    case EM_SETSEL: {
      size_t len = text(hwnd).size();
      if (static_cast<int>(wp) == -1) {
        d->anchor = d->caret;  // keeps the caret, drops the selection
      } else {
        d->anchor = std::min<size_t>(static_cast<DWORD>(wp), len);
        d->caret = static_cast<int>(lp) < 0 ? len : std::min<size_t>(static_cast<DWORD>(lp), len);
      }
      notifyChanged(hwnd);
      return 0;
    }
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
      return multiLine(hwnd) ? lineCount(text(hwnd)) : 1;
    case EM_GETFIRSTVISIBLELINE:
      return multiLine(hwnd) ? d->firstLine : 0;
    case EM_LINESCROLL:
      scrollTo(hwnd, d->firstLine + static_cast<int>(lp));
      return TRUE;
    case EM_SCROLLCARET:
      if (multiLine(hwnd)) scrollCaret(hwnd);
      return TRUE;
    case WM_VSCROLL:
      vscroll(hwnd, wp);
      return 0;
    case WM_MOUSEWHEEL:
      if (!multiLine(hwnd)) break;
      scrollTo(hwnd, d->firstLine - GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3);
      return 0;
    case WM_SIZE:
      if (multiLine(hwnd)) scrollTo(hwnd, d->firstLine);
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace posix
