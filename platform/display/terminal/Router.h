// Turns decoded terminal input into the messages Windows would deliver.
//
// Keys go to the focused window (WM_KEYDOWN, WM_CHAR for characters, WM_KEYUP; Alt
// combinations as WM_SYSKEYDOWN / WM_SYSCHAR), with GetKeyState reporting Shift, Ctrl
// and Alt as they were for that key. A few keys belong to the desktop:
//   Alt+F4, Ctrl+Q, Ctrl+C  close the active window (WM_SYSCOMMAND SC_CLOSE)
//   F9                      minimise the active window (SC_MINIMIZE)
//   F10                     maximise the active window, or restore it (SC_MAXIMIZE / SC_RESTORE)
//   F2                      a click on the first notification icon
// Mouse: a press activates the window and goes to the control under it in client
// pixels (the release to the same control, as with capture); a second press in the
// same cell within the double-click time is a double click for classes that want
// one; the wheel goes to the window under the pointer; the title-bar boxes send
// SC_MINIMIZE, SC_MAXIMIZE (SC_RESTORE when maximised) and SC_CLOSE; the scroll bar of
// a multi-line edit sends WM_VSCROLL.
#pragma once

#include <cstdint>

#include "platform/display/terminal/HitMap.h"
#include "platform/display/terminal/InputParser.h"
#include "platform/winapi.h"

namespace term {

class Router {
 public:
  // controlsShown false: the windows are not on the screen (too small a terminal);
  // only the desktop's own keys act.
  void key(const InputEvent& ev, bool controlsShown = true);
  void mouse(const InputEvent& ev, const HitMap& hits);
  HWND hover() const { return hover_; }
  void clickIcon(int index);  // press and release, as the shell delivers them

 private:
  void setModifiers(const InputEvent& ev);
  void press(const Hit& hit, const InputEvent& ev);
  void release(const InputEvent& ev, const HitMap& hits);
  HWND keyTarget() const;

  Hit pressed_{};
  bool pressing_ = false;
  uint64_t lastPressMs_ = 0;
  int lastRow_ = -1, lastCol_ = -1;
  HWND hover_ = nullptr;
  int hoverRow_ = -1, hoverCol_ = -1;
};

}  // namespace term
