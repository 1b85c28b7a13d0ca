// Keyboard and mouse input of the terminal display, delivered as window messages.
#include "platform/display/terminal/Router.h"

#include <strings.h>

#include <algorithm>

#include "platform/posix/Display.h"
#include "platform/posix/Input.h"
#include "platform/posix/Internal.h"

namespace term {
namespace {

constexpr UINT kDoubleClickMs = 500;
constexpr UINT CS_DBLCLKS_STYLE = 0x0008;
constexpr WPARAM VK_INSERT_KEY = 0x2D;
constexpr WPARAM VK_F1_KEY = 0x70;

HWND activeVisible() {
  HWND a = GetActiveWindow();
  return a && IsWindowVisible(a) ? a : nullptr;
}

WPARAM virtualKey(const InputEvent& ev) {
  switch (ev.key) {
    case Key::Enter:
      return VK_RETURN;
    case Key::Tab:
      return VK_TAB;
    case Key::Backspace:
      return VK_BACK;
    case Key::Escape:
      return VK_ESCAPE;
    case Key::Up:
      return VK_UP;
    case Key::Down:
      return VK_DOWN;
    case Key::Left:
      return VK_LEFT;
    case Key::Right:
      return VK_RIGHT;
    case Key::Home:
      return VK_HOME;
    case Key::End:
      return VK_END;
    case Key::PageUp:
      return VK_PRIOR;
    case Key::PageDown:
      return VK_NEXT;
    case Key::Insert:
      return VK_INSERT_KEY;
    case Key::Delete:
      return VK_DELETE;
    case Key::Char: {
      unsigned char c = static_cast<unsigned char>(ev.ch);
      if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
      if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return c;
      switch (c) {  // the US keyboard's OEM keys
        case ';':
        case ':':
          return 0xBA;
        case '=':
        case '+':
          return 0xBB;
        case ',':
        case '<':
          return 0xBC;
        case '-':
        case '_':
          return 0xBD;
        case '.':
        case '>':
          return 0xBE;
        case '/':
        case '?':
          return 0xBF;
        default:
          return 0;
      }
    }
    default:
      if (ev.key >= Key::F1 && ev.key <= Key::F12)
        return VK_F1_KEY + (static_cast<int>(ev.key) - static_cast<int>(Key::F1));
      return 0;
  }
}

// The character TranslateMessage would make of the key, or 0.
int characterOf(const InputEvent& ev) {
  switch (ev.key) {
    case Key::Enter:
      return '\r';
    case Key::Backspace:
      return '\b';
    case Key::Escape:
      return 0x1b;
    case Key::Char:
      if (ev.ctrl) return ev.ch >= 'a' && ev.ch <= 'z' ? ev.ch - 'a' + 1 : 0;
      return static_cast<unsigned char>(ev.ch);
    default:
      return 0;
  }
}

// An edit box that is the buddy of an up-down with arrow keys: the up-down takes
// Up and Down, as it does on Windows by subclassing its buddy.
HWND upDownOfBuddy(HWND edit) {
  posix::Window* w = posix::findWindow(edit);
  posix::Window* p = w ? posix::findWindow(w->parent) : nullptr;
  if (!p) return nullptr;
  for (HWND sib : p->children) {
    posix::Window* s = posix::findWindow(sib);
    if (s && strcasecmp(s->className.c_str(), UPDOWN_CLASSA) == 0 && (s->style & UDS_ARROWKEYS) &&
        posix::controlState(sib).buddy == edit)
      return sib;
  }
  return nullptr;
}

WPARAM mouseKeys(const InputEvent& ev) {
  WPARAM k = 0;
  if (ev.shift) k |= MK_SHIFT;
  if (ev.ctrl) k |= MK_CONTROL;
  return k;
}

bool isClass(HWND hwnd, const char* name) {
  posix::Window* w = posix::findWindow(hwnd);
  return w && strcasecmp(w->className.c_str(), name) == 0;
}

// Cell offsets are bounded first: a terminal may report any column.
int offsetIn(int at, int from) {
  long long d = static_cast<long long>(at) - from;
  return static_cast<int>(std::clamp<long long>(d, -1, 0x7FFF / kCellH));
}

// The point in the window's client pixels that a cell of its drawing stands for. An
// edit box draws one character a cell, so the cell is its character's middle; other
// windows spread their cells evenly over their pixels.
POINT clientPointOf(HWND hwnd, const Hit& hit, int row, int col) {
  RECT c{};
  GetClientRect(hwnd, &c);
  int dc = offsetIn(col, hit.cells.left), dr = offsetIn(row, hit.cells.top);
  if (isClass(hwnd, "EDIT")) return POINT{dc * kCellW + kCellW / 2, dr * kCellH + kCellH / 2};
  auto spread = [](int d, int cells, LONG px) {
    if (cells <= 0 || px <= 0) return 0;
    long long v = (2LL * d + 1) * px / (2LL * cells);
    return static_cast<int>(std::clamp<long long>(v, 0, px - 1));
  };
  POINT p{spread(dc, hit.cells.width(), c.right), spread(dr, hit.cells.height(), c.bottom)};
  if (isClass(hwnd, UPDOWN_CLASSA) && hit.cells.height() == 1 && hit.cells.width() >= 2) {
    // Drawn as "^v" on one line: the left cell is the upper arrow, the right one the lower.
    p.y = col == hit.cells.left ? 0 : std::max<LONG>(0, c.bottom - 1);
  }
  return p;
}

LPARAM clientPoint(HWND hwnd, const Hit& hit, int row, int col) {
  POINT p = clientPointOf(hwnd, hit, row, col);
  return MAKELPARAM(p.x, p.y);
}

POINT screenPoint(const Hit& hit, int row, int col) {
  if (!hit.hwnd || !IsWindow(hit.hwnd))
    return POINT{offsetIn(col, 0) * kCellW + kCellW / 2, offsetIn(row, 0) * kCellH + kCellH / 2};
  POINT p = clientPointOf(hit.hwnd, hit, row, col), o = posix::clientOrigin(hit.hwnd);
  return POINT{o.x + p.x, o.y + p.y};
}

bool wantsDoubleClicks(HWND hwnd) {
  posix::Window* w = posix::findWindow(hwnd);
  const posix::WindowClass* cls = w ? posix::findClass(w->className) : nullptr;
  return cls && (cls->wc.style & CS_DBLCLKS_STYLE);
}

}  // namespace

void Router::setModifiers(const InputEvent& ev) {
  // Kept until the next event: the program reads them when it handles the message.
  posix::setKeyState(VK_SHIFT, ev.shift);
  posix::setKeyState(VK_CONTROL, ev.ctrl);
  posix::setKeyState(VK_MENU, ev.alt);
}

HWND Router::keyTarget() const {
  HWND focus = GetFocus();
  if (focus && IsWindowVisible(focus)) return focus;
  return activeVisible();
}

void Router::clickIcon(int index) {
  const auto& icons = posix::notifyIcons();
  if (index < 0 || index >= static_cast<int>(icons.size())) return;
  posix::NotifyIcon icon = icons[static_cast<size_t>(index)];  // the callback may change the list
  posix::notifyIconMouse(icon, WM_LBUTTONDOWN);
  posix::notifyIconMouse(icon, WM_LBUTTONUP);
}

void Router::key(const InputEvent& ev, bool controlsShown) {
  setModifiers(ev);
  bool closeKey = (ev.key == Key::F4 && ev.alt) ||
                  (ev.key == Key::Char && ev.ctrl && (ev.ch == 'q' || ev.ch == 'c'));
  if (closeKey) {
    if (HWND a = activeVisible()) PostMessageA(a, WM_SYSCOMMAND, SC_CLOSE, 0);
    return;
  }
  if (ev.key == Key::F9 && !ev.alt && !ev.ctrl) {
    if (HWND a = activeVisible()) PostMessageA(a, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return;
  }
  if (ev.key == Key::F10 && !ev.alt && !ev.ctrl) {
    // As the title bar's maximise box does, for a window that has one.
    HWND a = activeVisible();
    if (a && (GetWindowLongA(a, GWL_STYLE) & WS_MAXIMIZEBOX))
      PostMessageA(a, WM_SYSCOMMAND, IsZoomed(a) ? SC_RESTORE : SC_MAXIMIZE, 0);
    return;
  }
  if (ev.key == Key::F2 && !ev.alt && !ev.ctrl) return clickIcon(0);
  if (!controlsShown) return;  // keys must not act on what the person cannot see
  HWND target = keyTarget();
  if (ev.key == Key::Char && ev.text.size() > 1 && !ev.alt && !ev.ctrl) {
    // A character of several bytes in the code page: one WM_CHAR a byte, as a
    // double-byte character arrives on Windows.
    if (target)
      for (char b : ev.text) posix::postInput(target, WM_CHAR, static_cast<unsigned char>(b), 1);
    return;
  }
  WPARAM vk = virtualKey(ev);
  if (!target || (vk == 0 && characterOf(ev) == 0)) return;
  if ((vk == VK_UP || vk == VK_DOWN) && !ev.alt)
    if (HWND spin = upDownOfBuddy(target)) target = spin;
  bool sys = ev.alt;
  if (vk) posix::postInput(target, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, 1);
  if (int ch = characterOf(ev))
    posix::postInput(target, sys ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(ch), 1);
  if (vk)
    posix::postInput(target, sys ? WM_SYSKEYUP : WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
}

void Router::mouse(const InputEvent& ev, const HitMap& hits) {
  setModifiers(ev);
  const Hit* hit = hits.at(ev.row, ev.col);
  if (ev.button == InputEvent::WheelUp || ev.button == InputEvent::WheelDown) {
    if (!hit || hit->kind == Hit::Icon || !hit->hwnd) return;
    POINT s = screenPoint(*hit, ev.row, ev.col);
    short delta = ev.button == InputEvent::WheelUp ? 120 : -120;
    PostMessageA(hit->hwnd, WM_MOUSEWHEEL, MAKEWPARAM(mouseKeys(ev), delta), MAKELPARAM(s.x, s.y));
    return;
  }
  if (ev.motion || (!ev.press && !pressing_)) {  // the pointer moved
    if (ev.row == hoverRow_ && ev.col == hoverCol_) return;
    hoverRow_ = ev.row;
    hoverCol_ = ev.col;
    hover_ = hit && hit->kind == Hit::Window ? hit->hwnd : nullptr;
    const Hit* to = pressing_ ? &pressed_ : hit;
    if (to && to->kind == Hit::Window && IsWindow(to->hwnd))
      posix::postInput(to->hwnd, WM_MOUSEMOVE, mouseKeys(ev) | (pressing_ ? MK_LBUTTON : 0),
                       clientPoint(to->hwnd, *to, ev.row, ev.col));
    return;
  }
  if (ev.press) {
    if (hit) press(*hit, ev);
  } else {
    release(ev, hits);
  }
}

void Router::press(const Hit& hit, const InputEvent& ev) {
  uint64_t now = GetTickCount64();
  bool dbl = ev.row == lastRow_ && ev.col == lastCol_ && now - lastPressMs_ <= kDoubleClickMs;
  lastPressMs_ = dbl ? 0 : now;  // a third press starts again
  lastRow_ = ev.row;
  lastCol_ = ev.col;
  pressed_ = hit;
  pressing_ = true;
  POINT s = screenPoint(hit, ev.row, ev.col);
  posix::setCursorPos(s.x, s.y);
  switch (hit.kind) {
    case Hit::Icon: {
      const auto& icons = posix::notifyIcons();
      if (hit.index < static_cast<int>(icons.size())) {
        posix::NotifyIcon icon = icons[static_cast<size_t>(hit.index)];
        posix::notifyIconMouse(icon, dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN);
      }
      return;
    }
    case Hit::ScrollUp:
    case Hit::ScrollDown:
    case Hit::ScrollPageUp:
    case Hit::ScrollPageDown: {
      WPARAM code = hit.kind == Hit::ScrollUp       ? SB_LINEUP
                    : hit.kind == Hit::ScrollDown   ? SB_LINEDOWN
                    : hit.kind == Hit::ScrollPageUp ? SB_PAGEUP
                                                    : SB_PAGEDOWN;
      PostMessageA(hit.hwnd, WM_VSCROLL, code, 0);
      PostMessageA(hit.hwnd, WM_VSCROLL, SB_ENDSCROLL, 0);
      return;
    }
    default:
      break;
  }
  if (!hit.hwnd) return;
  HWND top = posix::topLevelOf(hit.hwnd);
  if (top && GetActiveWindow() != top) SetActiveWindow(top);
  if (hit.kind != Hit::Window) return;  // the title bar acts on release
  UINT msg = ev.button == InputEvent::Right    ? WM_RBUTTONDOWN
             : ev.button == InputEvent::Middle ? WM_MBUTTONDOWN
                                               : WM_LBUTTONDOWN;
  if (dbl && wantsDoubleClicks(hit.hwnd)) msg += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
  WPARAM held = ev.button == InputEvent::Right    ? MK_RBUTTON
                : ev.button == InputEvent::Middle ? MK_MBUTTON
                                                  : MK_LBUTTON;
  posix::postInput(hit.hwnd, msg, held | mouseKeys(ev), clientPoint(hit.hwnd, hit, ev.row, ev.col));
}

void Router::release(const InputEvent& ev, const HitMap& hits) {
  if (!pressing_) return;
  pressing_ = false;
  const Hit& p = pressed_;
  const Hit* now = hits.at(ev.row, ev.col);
  bool same = now && now->kind == p.kind && now->hwnd == p.hwnd && now->index == p.index;
  switch (p.kind) {
    case Hit::Icon: {
      const auto& icons = posix::notifyIcons();
      if (p.index < static_cast<int>(icons.size())) {
        posix::NotifyIcon icon = icons[static_cast<size_t>(p.index)];
        posix::notifyIconMouse(icon, WM_LBUTTONUP);
      }
      return;
    }
    case Hit::MinimizeBox:
      if (same) PostMessageA(p.hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return;
    case Hit::MaximizeBox:
      if (same) PostMessageA(p.hwnd, WM_SYSCOMMAND, IsZoomed(p.hwnd) ? SC_RESTORE : SC_MAXIMIZE, 0);
      return;
    case Hit::CloseBox:
      if (same) PostMessageA(p.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    case Hit::Window: {
      if (!IsWindow(p.hwnd)) return;
      UINT msg = ev.button == InputEvent::Right    ? WM_RBUTTONUP
                 : ev.button == InputEvent::Middle ? WM_MBUTTONUP
                                                   : WM_LBUTTONUP;
      posix::postInput(p.hwnd, msg, mouseKeys(ev), clientPoint(p.hwnd, p, ev.row, ev.col));
      return;
    }
    default:
      return;
  }
}

}  // namespace term
