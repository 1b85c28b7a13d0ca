// What the display (and tests) use to feed input into the platform and to read the
// window tree for drawing.
//
// - setCursorPos / setKeyState: the state GetCursorPos and GetKeyState report.
// - postInput: posts a mouse or key message to a window, first recording the key
//   state (WM_KEYDOWN / WM_KEYUP) and the cursor position (mouse messages carry
//   client coordinates in lParam; the screen position is worked out from them).
//   Keys go to GetFocus() (the active window when nothing has the focus), mouse
//   messages to the window under the pointer (WindowFromPoint), as on Windows.
//   Controls do not translate keys: post WM_CHAR for a printable key along with
//   its WM_KEYDOWN (TranslateMessage is a no-op).
// - windowTree: top-level windows in z-order (active first), each followed by its
//   children depth-first in creation order. Bounds are screen coordinates.
// - controlState: the state of a built-in control, read through its own messages
//   (BM_GETCHECK, EM_GETSEL, EM_GETFIRSTVISIBLELINE, EM_GETLINECOUNT, UDM_GETPOS32,
//   UDM_GETRANGE32), so it is exactly what the program would see.
#pragma once

#include <string>
#include <vector>

#include "platform/winapi.h"

namespace posix {

void setCursorPos(int x, int y);
void setKeyState(int vk, bool down);
BOOL postInput(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

struct WindowInfo {
  HWND hwnd = nullptr;
  HWND parent = nullptr;  // nullptr for top-level
  int depth = 0;          // 0 for top-level
  std::string className, text;
  DWORD style = 0, exStyle = 0;
  RECT bounds{};         // window rectangle, screen
  RECT client{};         // client rectangle, screen
  bool visible = false;  // this window and all its parents
  bool enabled = true;
  bool focused = false;
  bool active = false;  // top-level: the active window
  bool minimized = false, maximized = false;
};
std::vector<WindowInfo> windowTree();

struct ControlState {
  enum Kind { Other, Edit, Button, CheckBox, Static, UpDown } kind = Other;
  int check = 0;                 // BST_CHECKED / BST_UNCHECKED
  int selStart = 0, selEnd = 0;  // edit: selection, caret at selEnd
  int firstVisibleLine = 0, lineCount = 1;
  bool readOnly = false, multiLine = false;
  int pos = 0, minPos = 0, maxPos = 0;  // up-down
  HWND buddy = nullptr;
};
ControlState controlState(HWND hwnd);

// The hint (tooltip text) of a window. The framework's Hint setter stores it; the
// terminal display shows it on its status line while the mouse rests on the window
// or the window has the focus. Empty when none was set.
void setWindowHint(HWND hwnd, const std::string& text);
std::string windowHint(HWND hwnd);

}  // namespace posix
