// Input state (cursor, keys, capture), system metrics and the state of built-in
// controls as the display reads it.
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
