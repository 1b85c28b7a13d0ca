// The cell layout of a top-level window and its controls.
#include "platform/display/terminal/Layout.h"

#include <strings.h>

#include <algorithm>
#include <vector>

#include "platform/display/terminal/Controls.h"
#include "platform/display/terminal/HitMap.h"
#include "platform/posix/Internal.h"
#include "platform/posix/Utf8.h"

namespace term {
namespace {

constexpr int kMaxPixelsPerColumn = 4 * kCellW;
constexpr int kMinStretchRows = 3;  // the log keeps a few lines when the window is fitted

struct Node {
  HWND hwnd = nullptr;
  RECT px{};  // parent client pixels
  Rect r;     // parent client cells
  bool oneLine = false;
  std::vector<Node> kids;
};

int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

bool shown(const posix::Window& w) { return (w.style & WS_VISIBLE) && !(w.style & WS_MINIMIZE); }

bool isClass(const posix::Window& w, const char* name) {
  return ::strcasecmp(w.className.c_str(), name) == 0;
}

bool overlaps(int a0, int a1, int b0, int b1) { return a0 < b1 && b0 < a1; }

// Keeps the order of a row (or column) of siblings while their cells grow: a sibling
// wholly after another in pixels starts after it in cells, one cell apart when the
// pixels left a gap.
void pushApart(std::vector<Node>& kids, bool across) {
  std::vector<Node*> order;
  for (Node& k : kids) order.push_back(&k);
  auto start = [&](const Node* n) { return across ? n->px.left : n->px.top; };
  std::stable_sort(order.begin(), order.end(),
                   [&](const Node* a, const Node* b) { return start(a) < start(b); });
  for (size_t i = 0; i < order.size(); ++i) {
    Node& n = *order[i];
    for (size_t j = 0; j < i; ++j) {
      const Node& p = *order[j];
      bool sameLine = across ? overlaps(p.r.top, p.r.bottom, n.r.top, n.r.bottom)
                             : overlaps(p.r.left, p.r.right, n.r.left, n.r.right);
      int pEnd = across ? p.px.right : p.px.bottom, nStart = start(&n);
      if (!sameLine || nStart < pEnd) continue;  // pixels overlap: not a row
      int gap = nStart > pEnd ? 1 : 0;
      int need = (across ? p.r.right : p.r.bottom) + gap - (across ? n.r.left : n.r.top);
      if (need <= 0) continue;
      if (across) {
        n.r.left += need;
        n.r.right += need;
      } else {
        n.r.top += need;
        n.r.bottom += need;
      }
    }
  }
}

// A child that spans its parent's whole width keeps spanning it when the parent grows.
void widen(Node& n, int right, int clientW) {
  n.r.right = right;
  for (Node& k : n.kids)
    if (k.px.left <= 0 && k.px.right >= clientW) widen(k, right - n.r.left, clientW);
}

std::vector<Node> layoutKids(const posix::Window& parent, int sx, int& cols, int& rows);

Node layoutOne(HWND hwnd, const posix::Window& w, int sx) {
  Node n;
  n.hwnd = hwnd;
  n.px = w.rect;
  int height = w.rect.bottom - w.rect.top;
  n.oneLine = height < 2 * kCellH;
  if (n.oneLine) {
    n.r.top = floorDiv((w.rect.top + w.rect.bottom) / 2, kCellH);
    n.r.bottom = n.r.top + 1;
  } else {
    n.r.top = floorDiv(w.rect.top, kCellH);
    n.r.bottom = std::max(n.r.top + 1, floorDiv(w.rect.bottom, kCellH));
  }
  n.r.left = floorDiv(w.rect.left, sx);
  n.r.right = std::max({n.r.left + 1, floorDiv(w.rect.right, sx), n.r.left + textCells(hwnd)});
  int cols = n.r.width(), rows = n.r.height();
  n.kids = layoutKids(w, sx, cols, rows);
  n.r.right = n.r.left + cols;
  n.r.bottom = n.r.top + rows;
  return n;
}

// Lays out the shown children in the parent's client cells; grows cols and rows
// (the parent's client size in cells) to hold them.
std::vector<Node> layoutKids(const posix::Window& parent, int sx, int& cols, int& rows) {
  std::vector<Node> kids;
  for (HWND child : parent.children) {
    posix::Window* w = posix::findWindow(child);
    if (w && shown(*w)) kids.push_back(layoutOne(child, *w, sx));
  }
  pushApart(kids, true);
  pushApart(kids, false);
  RECT client = posix::clientRectOf(parent);
  int right = cols, bottom = rows;
  for (const Node& k : kids) {
    // Pixels to spare beyond the child keep a cell to spare beyond it.
    right = std::max(right, k.r.right + (k.px.right < client.right ? 1 : 0));
    bottom = std::max(bottom, k.r.bottom);
  }
  for (Node& k : kids)
    if (k.px.left <= 0 && k.px.right >= client.right && right > cols) widen(k, right, client.right);
  cols = right;
  rows = bottom;
  return kids;
}

// The tallest child on the client's bottom edge that is not one line: it gives rows.
Node* stretchable(std::vector<Node>& kids, int rows) {
  Node* best = nullptr;
  for (Node& k : kids)
    if (!k.oneLine && k.r.bottom == rows && (!best || k.r.height() > best->r.height())) best = &k;
  return best;
}

void record(std::map<HWND, Placement>& out, const std::vector<Node>& kids, int col, int row) {
  for (const Node& k : kids) {
    Placement p;
    p.box = Rect{k.r.left + col, k.r.top + row, k.r.right + col, k.r.bottom + row};
    p.client = p.box;
    out[k.hwnd] = p;
    record(out, k.kids, p.box.left, p.box.top);
  }
}

}  // namespace

int textCells(HWND hwnd) {
  posix::Window* w = posix::findWindow(hwnd);
  if (!w) return 0;
  auto caption = [&] { return static_cast<int>(posix::utf8Length(withoutAccelerators(w->text))); };
  if (isClass(*w, "BUTTON")) return caption() + 4;  // "[ Save ]", "[ ] Display Header"
  if (isClass(*w, "STATIC")) return caption();
  if (isClass(*w, UPDOWN_CLASSA)) return 2;  // "^v": both arrows on one line
  if (isClass(*w, "EDIT")) return 4;
  return 0;
}

const Placement* Layout::find(HWND hwnd) const {
  auto it = placed_.find(hwnd);
  return it == placed_.end() ? nullptr : &it->second;
}

TopLayout Layout::place(HWND top, const Rect& desk) {
  TopLayout result;
  posix::Window* w = posix::findWindow(top);
  if (!w) return result;
  bool titled = posix::captionHeight(w->style) > 0;
  // A maximised window's frame lies beyond the screen, as on Windows: it gets the desk.
  bool framed = !(w->style & WS_MAXIMIZE) && (titled || posix::frameWidth(w->style) > 0);
  int extraCols = framed ? 2 : 0, extraRows = (titled || framed ? 1 : 0) + (framed ? 1 : 0);
  RECT client = posix::clientRectOf(*w);
  std::vector<Node> kids;
  int cols = 0, rows = 0;
  for (int sx = kCellW; sx <= kMaxPixelsPerColumn; ++sx) {
    cols = std::max(1, floorDiv(client.right, sx));
    rows = std::max(1, floorDiv(client.bottom, kCellH));
    kids = layoutKids(*w, sx, cols, rows);
    if (cols + extraCols <= desk.width()) break;
  }
  if (rows + extraRows > desk.height())
    if (Node* s = stretchable(kids, rows)) {
      int give = std::min(rows + extraRows - desk.height(), s->r.height() - kMinStretchRows);
      if (give > 0) {
        s->r.bottom -= give;
        rows -= give;
      }
    }
  Placement p;
  p.framed = framed;
  p.titled = titled;
  int width = cols + extraCols, height = rows + extraRows;
  result.needCols = width;
  result.needRows = height;
  result.tooSmall = width > desk.width() || height > desk.height();
  int left = floorDiv(w->rect.left, kCellW), topRow = floorDiv(w->rect.top, kCellH);
  left = std::max(desk.left, std::min(left, desk.right - width));
  topRow = std::max(desk.top, std::min(topRow, desk.bottom - height));
  p.box = Rect{left, topRow, left + width, topRow + height};
  p.client = Rect{left + (framed ? 1 : 0), topRow + (titled || framed ? 1 : 0),
                  p.box.right - (framed ? 1 : 0), p.box.bottom - (framed ? 1 : 0)};
  placed_[top] = p;
  record(placed_, kids, p.client.left, p.client.top);
  return result;
}

}  // namespace term
