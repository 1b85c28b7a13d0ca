// Input state (cursor, keys, capture), system metrics and the window-tree view the
// display draws from.
#include "platform/posix/Input.h"

#include <strings.h>

#include <mutex>

#include "platform/posix/Display.h"
#include "platform/posix/Internal.h"

namespace posix {
namespace {

std::mutex gInputMutex;
POINT gCursor{0, 0};
bool gKeys[256] = {};
HWND gCapture = nullptr;

void addTree(std::vector<WindowInfo>& out, HWND hwnd, int depth) {
  Window* w = findWindow(hwnd);
  if (!w) return;
  WindowInfo i;
  i.hwnd = hwnd;
  i.parent = (w->style & WS_CHILD) ? w->parent : nullptr;
  i.depth = depth;
  i.className = w->className;
  i.text = w->text;
  i.style = w->style;
  i.exStyle = w->exStyle;
  GetWindowRect(hwnd, &i.bounds);
  POINT o = clientOrigin(hwnd);
  RECT c = clientRectOf(*w);
  i.client = RECT{o.x, o.y, o.x + c.right, o.y + c.bottom};
  i.visible = IsWindowVisible(hwnd);
  i.enabled = !(w->style & WS_DISABLED);
  i.focused = GetFocus() == hwnd;
  i.active = GetActiveWindow() == hwnd;
  i.minimized = (w->style & WS_MINIMIZE) != 0;
  i.maximized = (w->style & WS_MAXIMIZE) != 0;
  std::vector<HWND> kids = w->children;
  out.push_back(std::move(i));
  for (HWND k : kids) addTree(out, k, depth + 1);
}

}  // namespace

void setCursorPos(int x, int y) {
  std::lock_guard<std::mutex> lock(gInputMutex);
  gCursor = POINT{x, y};
}

void setKeyState(int vk, bool down) {
  std::lock_guard<std::mutex> lock(gInputMutex);
  gKeys[vk & 0xff] = down;
}

BOOL postInput(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) setKeyState(static_cast<int>(wp), true);
  if (msg == WM_KEYUP || msg == WM_SYSKEYUP) setKeyState(static_cast<int>(wp), false);
  if (msg >= WM_MOUSEMOVE && msg <= WM_MBUTTONDBLCLK && msg != WM_MOUSEWHEEL) {
    POINT o = clientOrigin(hwnd);
    setCursorPos(o.x + GET_X_LPARAM(lp), o.y + GET_Y_LPARAM(lp));
  }
  return PostMessageA(hwnd, msg, wp, lp);
}

std::vector<WindowInfo> windowTree() {
  std::vector<WindowInfo> out;
  std::vector<HWND> order = topLevelOrder();
  for (HWND t : order) addTree(out, t, 0);
  return out;
}

ControlState controlState(HWND hwnd) {
  ControlState s;
  Window* w = findWindow(hwnd);
  if (!w) return s;
  const char* cls = w->className.c_str();
  if (strcasecmp(cls, "EDIT") == 0) {
    s.kind = ControlState::Edit;
    DWORD a = 0, b = 0;
    SendMessageA(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    s.selStart = static_cast<int>(a);
    s.selEnd = static_cast<int>(b);
    s.firstVisibleLine = static_cast<int>(SendMessageA(hwnd, EM_GETFIRSTVISIBLELINE, 0, 0));
    s.lineCount = static_cast<int>(SendMessageA(hwnd, EM_GETLINECOUNT, 0, 0));
    s.readOnly = (w->style & ES_READONLY) != 0;
    s.multiLine = (w->style & ES_MULTILINE) != 0;
  } else if (strcasecmp(cls, "BUTTON") == 0) {
    DWORD type = w->style & 0xF;
    s.kind = (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) ? ControlState::CheckBox
                                                              : ControlState::Button;
    s.check = static_cast<int>(SendMessageA(hwnd, BM_GETCHECK, 0, 0));
  } else if (strcasecmp(cls, "STATIC") == 0) {
    s.kind = ControlState::Static;
  } else if (strcasecmp(cls, UPDOWN_CLASSA) == 0) {
    s.kind = ControlState::UpDown;
    s.pos = static_cast<int>(SendMessageA(hwnd, UDM_GETPOS32, 0, 0));
    INT lo = 0, hi = 0;
    SendMessageA(hwnd, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo),
                 reinterpret_cast<LPARAM>(&hi));
    s.minPos = lo;
    s.maxPos = hi;
    s.buddy = reinterpret_cast<HWND>(SendMessageA(hwnd, UDM_GETBUDDY, 0, 0));
  }
  return s;
}

}  // namespace posix

namespace winapi {

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
      return posix::display().screenWidth();
    case SM_CYSCREEN:
      return posix::display().screenHeight();
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
  }
  return 0;
}

BOOL GetCursorPos(LPPOINT pt) {
  if (!pt) return FALSE;
  std::lock_guard<std::mutex> lock(posix::gInputMutex);
  *pt = posix::gCursor;
  return TRUE;
}

SHORT GetKeyState(int vk) {
  std::lock_guard<std::mutex> lock(posix::gInputMutex);
  return posix::gKeys[vk & 0xff] ? static_cast<SHORT>(0x8000) : 0;
}

HWND SetCapture(HWND hwnd) {
  HWND old = posix::gCapture;
  posix::gCapture = hwnd;
  return posix::findWindow(old) ? old : nullptr;
}

BOOL ReleaseCapture() {
  posix::gCapture = nullptr;
  return TRUE;
}

}  // namespace winapi
