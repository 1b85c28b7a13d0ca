// The session window: ends the session on the GUI thread, from the message loop.
#include "platform/display/terminal/Session.h"

#include <algorithm>
#include <vector>

#include "platform/posix/Internal.h"

namespace term {
namespace {

constexpr UINT kEndSessionMessage = WM_USER + 1;
constexpr char kSessionClass[] = "TavixTerminalSession";

LRESULT CALLBACK sessionProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != kEndSessionMessage) return DefWindowProcA(hwnd, msg, wp, lp);
  std::vector<HWND> tops = posix::topLevelOrder();
  tops.erase(std::remove(tops.begin(), tops.end(), hwnd), tops.end());
  bool ok = true;
  for (HWND t : tops)
    if (IsWindow(t) && !SendMessageA(t, WM_QUERYENDSESSION, 0, 0)) {
      ok = false;
      break;
    }
  for (HWND t : tops)
    if (IsWindow(t)) SendMessageA(t, WM_ENDSESSION, ok ? TRUE : FALSE, 0);
  if (ok) PostQuitMessage(0);
  return 0;
}

}  // namespace

HWND createSessionWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = sessionProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kSessionClass;
  RegisterClassA(&wc);  // fails harmlessly when it exists
  return CreateWindowExA(0, kSessionClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                         nullptr);
}

void requestEndSession(HWND sessionWindow, int sig) {
  if (sessionWindow) PostMessageA(sessionWindow, kEndSessionMessage, static_cast<WPARAM>(sig), 0);
}

}  // namespace term
