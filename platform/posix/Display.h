// Where top-level windows, controls, dialogs and notification icons appear on Linux.
//
// The platform keeps the window tree (platform/posix/Windows.h) and tells the display
// when something visible changed; the display only marks what needs redrawing and
// draws in paint(), which the message loop calls when it is about to block; input
// is delivered in beforeWait(), before the loop's wait begins.
// Input enters through the platform: the display posts mouse and key messages to
// windows (posix::postInput, Input.h) or calls posix::notifyIconMouse for an icon.
// The display reads the windows through the platform's own table (topLevelOrder,
// Internal.h) and the controls through posix::controlState (Input.h).
//
// Dialogs are modal: MessageBoxA / GetSaveFileNameA hand the request to the display
// (beginDialog) and then pump messages until request.done is set, so polls go on
// behind the dialog. The null display answers through a responder a test installs.
// endDialog is called once the request is done (answered, or cancelled because
// WM_QUIT arrived), so the display can take the dialog off the screen.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/winapi.h"

namespace posix {

struct DialogRequest {
  enum Kind { MessageBox, SaveFile } kind = MessageBox;
  HWND owner = nullptr;
  // message box
  std::string text, caption;
  UINT type = 0;
  // save dialog
  std::string title, defaultName, defaultExt, initialDir;
  std::vector<std::pair<std::string, std::string>> filters;  // (description, pattern)
  DWORD filterIndex = 1;
  DWORD flags = 0;
  // answer, set by the display
  bool done = false;
  int result = 0;          // IDOK/IDYES/IDNO/IDCANCEL for boxes; TRUE/FALSE for save
  std::string chosenPath;  // save dialog
};

struct NotifyIcon {
  HWND hwnd = nullptr;
  UINT uid = 0;
  UINT callbackMessage = 0;
  HICON icon = nullptr;
  std::string tip;
  // The latest balloon (NIF_INFO); balloonSerial counts balloons, so a display can
  // tell a new one (and sound it once) from one it has shown already.
  std::string balloonTitle, balloonText;
  DWORD balloonFlags = 0;
  unsigned balloonSerial = 0;
};

class Display {
 public:
  virtual ~Display() = default;
  virtual void windowChanged(HWND hwnd) {}  // created, destroyed, shown, moved, text, focus...
  virtual void iconsChanged() {}
  virtual int screenWidth() const { return 1024; }  // pixels
  virtual int screenHeight() const { return 768; }
  // The height a maximised window gets: the screen less what the desktop keeps.
  virtual int workAreaHeight() const { return screenHeight(); }
  virtual void beginDialog(DialogRequest& req) = 0;  // may set req.done at once
  virtual void endDialog(DialogRequest& req) {}
  // The loop is about to wait: deliver input read meanwhile (posting from here needs
  // no wake-up). True when something was delivered: the wait then only polls.
  virtual bool beforeWait() { return false; }
  virtual void paint() {}  // the loop is about to block: draw, and nothing else
};

void setDisplay(std::unique_ptr<Display> d);  // the null display is the default
Display& display();
// Screen size the null display reports (default 1024 x 768); no effect on others.
void setNullScreenSize(int width, int height);

// The icons currently in the notification area, in the order they were added.
const std::vector<NotifyIcon>& notifyIcons();
// Deliver a mouse message (WM_LBUTTONUP, ...) over an icon, as the shell does.
void notifyIconMouse(const NotifyIcon& icon, UINT mouseMsg);

}  // namespace posix
