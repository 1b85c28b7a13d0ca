// Drawing of the desktop: top-level windows, status line, notification area.
#include "platform/display/terminal/Desktop.h"

#include <strings.h>

#include <algorithm>
#include <string>

#include "platform/display/terminal/Controls.h"
#include "platform/display/terminal/Layout.h"
#include "platform/posix/Display.h"
#include "platform/posix/Input.h"
#include "platform/posix/Internal.h"

namespace term {
namespace {

bool shown(const posix::Window& w) { return (w.style & WS_VISIBLE) && !(w.style & WS_MINIMIZE); }

void drawChildren(Canvas& c, HitMap& hits, const Layout& layout, const posix::Window& parent,
                  const Rect& clip, const Hit& base) {
  for (HWND child : parent.children) {
    posix::Window* w = posix::findWindow(child);
    const Placement* p = layout.find(child);
    if (!w || !shown(*w) || !p) continue;
    Rect visible = intersect(p->box, clip);
    if (visible.width() <= 0 || visible.height() <= 0) continue;
    Hit hit = base;
    hit.kind = Hit::Window;
    hit.hwnd = child;
    hit.r = visible;
    hit.cells = p->client;
    hits.add(hit);
    c.setClip(visible);
    drawControl(c, hits, child, p->box, GetFocus() == child, hit);
    c.resetClip();
    drawChildren(c, hits, layout, *w, visible, hit);
  }
}

void drawTitle(Canvas& c, HitMap& hits, const posix::Window& w, const Rect& box, bool active,
               const Hit& base) {
  uint8_t attr = active ? (Reverse | Bold) : Reverse;
  int row = box.top;
  Rect bar{box.left, row, box.right, row + 1};
  c.fill(bar, ' ', attr);
  Hit caption = base;
  caption.kind = Hit::Caption;
  caption.r = bar;
  hits.add(caption);
  int col = box.right;
  auto button = [&](const char* face, Hit::Kind kind) {
    col -= 3;
    c.put(row, col, face, attr);
    Hit hit = base;
    hit.kind = kind;
    hit.r = intersect(Rect{col, row, col + 3, row + 1}, Rect{0, 0, c.cols(), c.rows()});
    hits.add(hit);
  };
  if (w.style & WS_SYSMENU) button("[X]", Hit::CloseBox);
  if (w.style & WS_MAXIMIZEBOX) button(w.style & WS_MAXIMIZE ? "[=]" : "[^]", Hit::MaximizeBox);
  if (w.style & WS_MINIMIZEBOX) button("[_]", Hit::MinimizeBox);
  c.setClip(Rect{box.left + 1, row, col - 1, row + 1});
  c.put(row, box.left + 1, w.text, attr);
  c.resetClip();
}

void drawTopLevel(Canvas& c, HitMap& hits, const Layout& layout, const posix::Window& w,
                  bool active, const Rect& desk) {
  const Placement* p = layout.find(w.self);
  if (!p) return;
  Rect box = intersect(p->box, desk);
  Hit base;
  base.hwnd = w.self;
  base.r = box;
  base.cells = p->client;
  c.setClip(desk);
  c.fill(box, ' ');
  if (p->framed) c.frame(box, active ? Bold : Normal);
  hits.add(base);
  if (p->titled) drawTitle(c, hits, w, box, active, base);
  c.resetClip();
  drawChildren(c, hits, layout, w, intersect(p->client, desk), base);
}

void drawTooSmall(Canvas& c, const TopLayout& need) {
  std::string line = "The terminal is too small: the window needs " +
                     std::to_string(need.needCols) + " x " + std::to_string(need.needRows + 2) +
                     " (now " + std::to_string(c.cols()) + " x " + std::to_string(c.rows()) + ")";
  c.put(0, 0, line, Bold);
}

// Each icon shows its tip (or its balloon), in its colour where the terminal has them.
void drawNotificationArea(Canvas& c, HitMap& hits, bool balloons) {
  int row = c.rows() - 1;
  if (row < 0) return;
  c.fill(Rect{0, row, c.cols(), row + 1}, ' ', Reverse);
  int col = 1;
  const std::vector<posix::NotifyIcon> icons = posix::notifyIcons();  // asking may change them
  for (size_t i = 0; i < icons.size(); ++i) {
    const posix::NotifyIcon& icon = icons[i];
    const bool balloon = balloons && !icon.balloonText.empty();
    std::string face = (balloon ? "[!] " : "[*] ") + (balloon ? icon.balloonText : icon.tip);
    const LRESULT colour = SendMessageA(icon.hwnd, WM_GETTEXTCOLOUR, 0, 0);
    c.put(row, col, face, Reverse | Bold | colourAttr(colour));
    Hit hit;
    hit.kind = Hit::Icon;
    hit.index = static_cast<int>(i);
    hit.r = Rect{col, row, std::min(c.cols(), col + static_cast<int>(face.size())), row + 1};
    hits.add(hit);
    col += static_cast<int>(face.size()) + 2;
  }
}

bool isLog(HWND hwnd) {
  posix::Window* w = posix::findWindow(hwnd);
  return w && ::strcasecmp(w->className.c_str(), "EDIT") == 0 && (w->style & ES_MULTILINE);
}

// The control's hint; else what the person can do from here.
std::string statusText(HWND hover, bool windowShown) {
  std::string hint = hover ? posix::windowHint(hover) : std::string();
  HWND focus = GetFocus();
  if (hint.empty() && focus) hint = posix::windowHint(focus);
  if (!hint.empty()) return hint;
  if (!windowShown)
    return posix::notifyIcons().empty() ? "Ctrl+Q: quit"
                                        : "F2 or a click on the icon: show the window   "
                                          "Ctrl+Q: quit   F1: keys";
  if (focus && isLog(focus)) return "Log: PgUp / PgDn / Home / End scroll   F1: keys";
  return "Tab: next control   F1: keys";
}

void drawStatusLine(Canvas& c, HWND hover, bool windowShown) {
  int row = c.rows() - 2;
  if (row < 0) return;
  c.fill(Rect{0, row, c.cols(), row + 1}, ' ');
  c.put(row, 1, statusText(hover, windowShown), Bold);
}

}  // namespace

uint8_t colourAttr(LRESULT colour) {
  return colour == TEXTCOLOUR_GOOD ? Green : colour == TEXTCOLOUR_BAD ? Red : Normal;
}

bool drawDesktop(Canvas& c, HitMap& hits, Layout& layout, HWND hover, bool balloons) {
  hits.clear();
  c.clear();
  layout.clear();
  HWND active = GetActiveWindow();
  std::vector<posix::Window*> order;
  const auto& z = posix::topLevelOrder();  // topmost first
  for (auto it = z.rbegin(); it != z.rend(); ++it) {
    posix::Window* w = posix::findWindow(*it);
    if (w && shown(*w) && !(w->style & WS_CHILD) && *it != active) order.push_back(w);
  }
  if (posix::Window* a = posix::findWindow(active); a && shown(*a) && !(a->style & WS_CHILD))
    order.push_back(a);
  Rect desk{0, 0, c.cols(), desktopRows(c)};
  TopLayout tooSmall;
  for (posix::Window* w : order) {
    TopLayout t = layout.place(w->self, desk);
    if (t.tooSmall) tooSmall = t;
  }
  if (tooSmall.tooSmall) {
    drawTooSmall(c, tooSmall);
  } else {
    for (posix::Window* w : order) drawTopLevel(c, hits, layout, *w, w->self == active, desk);
  }
  drawStatusLine(c, hover, !order.empty());
  drawNotificationArea(c, hits, balloons);
  return tooSmall.tooSmall;
}

}  // namespace term
