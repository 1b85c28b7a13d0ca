// The end of a session (a log-off): a hidden window whose procedure asks every
// top-level window WM_QUERYENDSESSION, tells each WM_ENDSESSION and, when none
// refused, quits the message loop. It runs from the loop, where a window may still
// open a dialog about unsaved work. Shared by the terminal display and the headless
// session.
#pragma once

#include "platform/winapi.h"

namespace term {

HWND createSessionWindow();
void requestEndSession(HWND sessionWindow, int sig);  // posts; the loop runs it

}  // namespace term
