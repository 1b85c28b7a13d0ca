// What the display (and tests) use to feed input into the platform and to read the
// state of built-in controls.
//
// - setCursorPos / setKeyState: the state GetCursorPos and GetKeyState report.
// - postInput: posts a mouse or key message to a window, first recording the key
//   state (WM_KEYDOWN / WM_KEYUP) and the cursor position (mouse messages carry
//   client coordinates in lParam; the screen position is worked out from them).
//   Keys go to GetFocus() (the active window when nothing has the focus), mouse
//   messages to the window given.
//   Controls do not translate keys: post WM_CHAR for a printable key along with
//   its WM_KEYDOWN (TranslateMessage is a no-op).
// - controlState: the state of a built-in control, read through its own messages
//   (BM_GETCHECK, EM_GETSEL, EM_GETFIRSTVISIBLELINE, EM_GETLINECOUNT, UDM_GETPOS32,
//   UDM_GETRANGE32), so it is exactly what the program would see.
#pragma once

#include <string>

#include "platform/winapi.h"

namespace posix {

void setCursorPos(int x, int y);
void setKeyState(int vk, bool down);
BOOL postInput(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

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
