// The window table and class table: creation, destruction, handles that go stale,
// extra window data and the parent / child / owner relations.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <deque>

#include "platform/posix/Display.h"
#include "platform/posix/Internal.h"

namespace posix {
namespace {

struct Slot {
  uint32_t gen = 1;
  std::unique_ptr<Window> win;
};

std::vector<Slot>& slots() {
  static std::vector<Slot> s;
  return s;
}
std::deque<size_t>& freeSlots() {
  static std::deque<size_t> f;
  return f;
}
std::vector<WindowClass>& classes() {
  static std::vector<WindowClass> c;
  return c;
}
uint64_t createCounter = 0;
int defaultPosCounter = 0;

HWND makeHandle(size_t index, uint32_t gen) {
  return reinterpret_cast<HWND>((static_cast<uintptr_t>(gen) << 16) | (index + 1));
}

HWND allocWindow() {
  std::lock_guard<std::mutex> lock(tableMutex());
  size_t idx;
  // Reuse slots oldest-freed first, so a stale handle keeps failing for long.
  if (freeSlots().size() > 64) {
    idx = freeSlots().front();
    freeSlots().pop_front();
  } else {
    idx = slots().size();
    slots().emplace_back();
  }
  Slot& s = slots()[idx];
  s.win = std::make_unique<Window>();
  s.win->self = makeHandle(idx, s.gen);
  return s.win->self;
}

void freeWindow(HWND hwnd) {
  std::lock_guard<std::mutex> lock(tableMutex());
  uintptr_t v = reinterpret_cast<uintptr_t>(hwnd);
  size_t idx = (v & 0xffff) - 1;
  Slot& s = slots()[idx];
  s.win.reset();
  s.gen = (s.gen + 1) & 0xffffff;
  if (s.gen == 0) s.gen = 1;
  freeSlots().push_back(idx);
}

WindowClass* findClassMutable(const std::string& name) {
  registerBuiltinClasses();
  for (auto& c : classes())
    if (strcasecmp(c.name.c_str(), name.c_str()) == 0) return &c;
  return nullptr;
}

void pickDefaultBounds(int& x, int& y, int& w, int& h, bool child) {
  if (x == CW_USEDEFAULT) {
    if (child) {
      x = y = 0;
    } else {
      // Staggered like the Windows cascade.
      int step = defaultPosCounter++ % 8;
      x = 26 + step * 26;
      y = 26 + step * 26;
    }
  }
  if (w == CW_USEDEFAULT) {
    w = child ? 0 : display().screenWidth() * 3 / 4;
    h = child ? 0 : display().screenHeight() * 3 / 4;
  }
}

LRESULT callProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = findWindow(hwnd);
  if (!w || !w->proc) return 0;
  WNDPROC p = w->proc;
  return p(hwnd, msg, wp, lp);
}

void sendDestroy(HWND hwnd) {
  callProc(hwnd, WM_DESTROY, 0, 0);
  Window* w = findWindow(hwnd);
  if (!w) return;
  std::vector<HWND> kids = w->children;
  for (HWND c : kids) {
    Window* cw = findWindow(c);
    if (cw) cw->destroying = true;
    sendDestroy(c);
  }
}

void finalDestroy(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w) return;
  std::vector<HWND> kids = w->children;
  for (HWND c : kids) finalDestroy(c);
  killTimersOf(hwnd);
  discardMessagesFor(hwnd);
  callProc(hwnd, WM_NCDESTROY, 0, 0);
  w = findWindow(hwnd);
  if (!w) return;
  if (Window* p = findWindow(w->parent)) {
    auto& pc = p->children;
    pc.erase(std::remove(pc.begin(), pc.end(), hwnd), pc.end());
  }
  auto& order = topLevelOrder();
  order.erase(std::remove(order.begin(), order.end(), hwnd), order.end());
  freeWindow(hwnd);
  notifyChanged(hwnd);
}

}  // namespace

Window* findWindow(HWND hwnd) {
  uintptr_t v = reinterpret_cast<uintptr_t>(hwnd);
  if (v == 0) return nullptr;
  size_t idx = (v & 0xffff);
  if (idx == 0 || idx > slots().size()) return nullptr;
  Slot& s = slots()[idx - 1];
  if (!s.win || (v >> 16) != s.gen) return nullptr;
  return s.win.get();
}

std::mutex& tableMutex() {
  static std::mutex m;
  return m;
}

std::vector<HWND>& topLevelOrder() {
  static std::vector<HWND> order;
  return order;
}

const WindowClass* findClass(const std::string& name) { return findClassMutable(name); }

ATOM registerClass(const WNDCLASSA& wc, bool builtin) {
  if (!wc.lpszClassName || !wc.lpfnWndProc) return 0;
  for (auto& c : classes())
    if (strcasecmp(c.name.c_str(), wc.lpszClassName) == 0) return 0;
  WindowClass c;
  c.wc = wc;
  c.name = wc.lpszClassName;
  c.wc.lpszClassName = nullptr;  // the stored name lives in c.name
  c.builtin = builtin;
  classes().push_back(std::move(c));
  return static_cast<ATOM>(0xC000 + classes().size());
}

HWND topLevelOf(HWND hwnd) {
  Window* w = findWindow(hwnd);
  while (w && (w->style & WS_CHILD) && findWindow(w->parent)) {
    hwnd = w->parent;
    w = findWindow(hwnd);
  }
  return w ? hwnd : nullptr;
}

bool isDescendant(HWND ancestor, HWND hwnd) {
  for (Window* w = findWindow(hwnd); w; w = findWindow(w->parent)) {
    if (w->self == ancestor) return true;
    if (!(w->style & WS_CHILD)) break;
  }
  return false;
}

void notifyChanged(HWND hwnd) { display().windowChanged(hwnd); }

}  // namespace posix

namespace winapi {
using namespace posix;

HINSTANCE GetModuleHandleA(LPCSTR) { return reinterpret_cast<HINSTANCE>(0x400000); }

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc) return 0;
  registerBuiltinClasses();
  ATOM a = registerClass(*wc, false);
  if (!a) SetLastError(1410);  // ERROR_CLASS_ALREADY_EXISTS
  return a;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR name, WNDCLASSA* out) {
  if (!name || !out) return FALSE;
  WindowClass* c = findClassMutable(name);
  if (!c) {
    SetLastError(1411);
    return FALSE;
  }
  *out = c->wc;
  out->lpszClassName = name;
  return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE inst, LPVOID param) {
  if (!className) return nullptr;
  const WindowClass* cls = findClassMutable(className);
  if (!cls) {
    SetLastError(1407);  // ERROR_CANNOT_FIND_WND_CLASS
    return nullptr;
  }
  bool child = (style & WS_CHILD) != 0;
  if (child && !findWindow(parent)) {
    SetLastError(1406);  // ERROR_TLW_WITH_WSCHILD
    return nullptr;
  }
  if (parent && !findWindow(parent)) {
    SetLastError(1400);  // ERROR_INVALID_WINDOW_HANDLE
    return nullptr;
  }
  pickDefaultBounds(x, y, width, height, child);
  WNDPROC proc = cls->wc.lpfnWndProc;
  int extraBytes = std::max(0, cls->wc.cbWndExtra);
  std::string clsName = cls->name;

  HWND hwnd = allocWindow();
  Window* w = findWindow(hwnd);
  w->className = clsName;
  w->proc = proc;
  w->style = style & ~WS_VISIBLE;
  w->exStyle = exStyle;
  w->inst = inst;
  w->menu = menu;
  w->extra.assign(extraBytes, 0);
  w->rect = RECT{x, y, x + width, y + height};
  w->normalRect = w->rect;
  w->createSeq = ++createCounter;
  if (child) {
    w->parent = parent;
    findWindow(parent)->children.push_back(hwnd);
  } else {
    w->owner = parent;
    topLevelOrder().push_back(hwnd);  // created behind the others until shown
  }

  CREATESTRUCTA cs{
      param,      inst,      menu,   parent, height, width, y, x, static_cast<LONG>(style),
      windowName, className, exStyle};
  if (!callProc(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (findWindow(hwnd)) finalDestroy(hwnd);
    return nullptr;
  }
  if (!findWindow(hwnd)) return nullptr;
  if (callProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!findWindow(hwnd)) return nullptr;
  // Windows sends the first size and move after creation.
  w = findWindow(hwnd);
  RECT cr = clientRectOf(*w);
  callProc(hwnd, WM_SIZE, 0, MAKELPARAM(cr.right, cr.bottom));
  if (findWindow(hwnd)) callProc(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
  if (!findWindow(hwnd)) return nullptr;
  notifyChanged(hwnd);
  if (style & WS_MAXIMIZE)
    ShowWindow(hwnd, SW_SHOWMAXIMIZED);
  else if (style & WS_MINIMIZE)
    ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
  if ((style & WS_VISIBLE) && findWindow(hwnd)) ShowWindow(hwnd, SW_SHOW);
  return findWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  Window* w = findWindow(hwnd);
  if (!w) {
    SetLastError(1400);
    return FALSE;
  }
  if (w->destroying) return TRUE;
  w->destroying = true;
  // Owned top-level windows go first, as on Windows.
  std::vector<HWND> owned;
  for (HWND t : topLevelOrder())
    if (Window* o = findWindow(t); o && o->owner == hwnd) owned.push_back(t);
  for (HWND o : owned) DestroyWindow(o);
  if (Window* ww = findWindow(hwnd); ww && (ww->style & WS_VISIBLE)) {
    ww->style &= ~WS_VISIBLE;
    notifyChanged(hwnd);
  }
  forgetFocus(hwnd);
  activateNext(hwnd);
  sendDestroy(hwnd);
  finalDestroy(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return findWindow(hwnd) ? TRUE : FALSE; }

}  // namespace winapi
