// Drawing of the desktop: top-level windows, status line, notification area.
#include "platform/display/terminal/Desktop.h"

#include <algorithm>

#include "platform/display/terminal/Controls.h"
#include "platform/posix/Display.h"
#include "platform/posix/Input.h"
#include "platform/posix/Internal.h"

namespace term {
namespace {

Rect cellsOf(const RECT& px, int dcol, int drow) {
  Rect r{cellCol(px.left) + dcol, cellRow(px.top) + drow, cellCol(px.right) + dcol,
         cellRow(px.bottom) + drow};
  r.right = std::max(r.right, r.left + 1);
  r.bottom = std::max(r.bottom, r.top + 1);
  return r;
}

bool shown(const posix::Window& w) { return (w.style & WS_VISIBLE) && !(w.style & WS_MINIMIZE); }

void drawChildren(Canvas& c, HitMap& hits, const posix::Window& parent, const Rect& clip,
                  const Hit& base) {
  POINT o = posix::clientOrigin(parent.self);
  for (HWND child : parent.children) {
    posix::Window* w = posix::findWindow(child);
    if (!w || !shown(*w)) continue;
    RECT px{o.x + w->rect.left, o.y + w->rect.top, o.x + w->rect.right, o.y + w->rect.bottom};
    Rect r = cellsOf(px, base.dcol, base.drow);
    Rect visible = intersect(r, clip);
    if (visible.width() <= 0 || visible.height() <= 0) continue;
    Hit hit = base;
    hit.kind = Hit::Window;
    hit.hwnd = child;
    hit.r = visible;
    hits.add(hit);
    c.setClip(clip);
    drawControl(c, hits, child, r, GetFocus() == child, hit);
    c.resetClip();
    drawChildren(c, hits, *w, visible, hit);
  }
}

void drawTitle(Canvas& c, HitMap& hits, const posix::Window& w, const Rect& box, int row,
               bool active, const Hit& base) {
  uint8_t attr = active ? (Reverse | Bold) : Reverse;
  Rect bar{box.left, row, box.right, row + 1};
  c.fill(bar, ' ', attr);
  c.put(row, box.left + 1, w.text, attr);
  int col = box.right;
  auto button = [&](const char* face, Hit::Kind kind) {
    col -= 3;
    c.put(row, col, face, attr);
    Hit hit = base;
    hit.kind = kind;
    hit.r = intersect(Rect{col, row, col + 3, row + 1}, Rect{0, 0, c.cols(), c.rows()});
    hits.add(hit);
  };
  Hit caption = base;
  caption.kind = Hit::Caption;
  caption.r = bar;
  hits.add(caption);
  if (w.style & WS_SYSMENU) button("[X]", Hit::CloseBox);
  if (w.style & WS_MINIMIZEBOX) button("[_]", Hit::MinimizeBox);
}

void drawTopLevel(Canvas& c, HitMap& hits, const posix::Window& w, bool active) {
  Rect desk{0, 0, c.cols(), desktopRows(c)};
  Rect r = cellsOf(w.rect, 0, 0);
  // Clamped to the screen: moved in when it sticks out, cut when it is larger.
  int dcol = std::max(0, std::min(r.left, desk.right - r.width())) - r.left;
  int drow = std::max(0, std::min(r.top, desk.bottom - r.height())) - r.top;
  Rect box = intersect(cellsOf(w.rect, dcol, drow), desk);
  Hit base;
  base.hwnd = w.self;
  base.dcol = dcol;
  base.drow = drow;
  base.r = box;
  c.setClip(desk);
  c.fill(box, ' ');
  POINT origin = posix::clientOrigin(w.self);
  RECT client = posix::clientRectOf(w);
  Rect inner =
      intersect(cellsOf(RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom},
                        dcol, drow),
                box);
  if (inner.left > box.left || inner.right < box.right || inner.bottom < box.bottom)
    c.frame(box, active ? Bold : Normal);
  hits.add(base);
  if (posix::captionHeight(w.style) > 0 && inner.top > box.top)
    drawTitle(c, hits, w, box, inner.top - 1, active, base);
  c.resetClip();
  drawChildren(c, hits, w, inner, base);
}

void drawNotificationArea(Canvas& c, HitMap& hits) {
  int row = c.rows() - 1;
  if (row < 0) return;
  c.fill(Rect{0, row, c.cols(), row + 1}, ' ', Reverse);
  int col = 1;
  const auto& icons = posix::notifyIcons();
  for (size_t i = 0; i < icons.size(); ++i) {
    std::string face = "[*] " + icons[i].tip;
    c.put(row, col, face, Reverse | Bold);
    Hit hit;
    hit.kind = Hit::Icon;
    hit.index = static_cast<int>(i);
    hit.r = Rect{col, row, std::min(c.cols(), col + static_cast<int>(face.size())), row + 1};
    hits.add(hit);
    col += static_cast<int>(face.size()) + 2;
  }
}

void drawStatusLine(Canvas& c, HWND hover) {
  int row = c.rows() - 2;
  if (row < 0) return;
  std::string hint = hover ? posix::windowHint(hover) : std::string();
  if (hint.empty() && GetFocus()) hint = posix::windowHint(GetFocus());
  c.fill(Rect{0, row, c.cols(), row + 1}, ' ');
  c.put(row, 1, hint, Bold);
}

}  // namespace

void drawDesktop(Canvas& c, HitMap& hits, HWND hover) {
  hits.clear();
  c.clear();
  HWND active = GetActiveWindow();
  std::vector<posix::Window*> order;
  const auto& z = posix::topLevelOrder();  // topmost first
  for (auto it = z.rbegin(); it != z.rend(); ++it) {
    posix::Window* w = posix::findWindow(*it);
    if (w && shown(*w) && !(w->style & WS_CHILD) && *it != active) order.push_back(w);
  }
  if (posix::Window* a = posix::findWindow(active); a && shown(*a) && !(a->style & WS_CHILD))
    order.push_back(a);
  for (posix::Window* w : order) drawTopLevel(c, hits, *w, w->self == active);
  drawStatusLine(c, hover);
  drawNotificationArea(c, hits);
}

}  // namespace term
