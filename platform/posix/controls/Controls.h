// The built-in control classes ("EDIT", "BUTTON", "STATIC", "msctls_updown32"):
// their window procedures and the notification helper they share.
#pragma once

#include "platform/winapi.h"

namespace posix {

LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK buttonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK staticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK upDownProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// WM_COMMAND MAKEWPARAM(id, code) to the parent, sent (not posted) as on Windows.
void notifyParent(HWND hwnd, WORD code);

// Lines of a control in pixels (one terminal cell row).
constexpr int kLineHeight = 16;

}  // namespace posix
