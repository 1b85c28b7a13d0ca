// The built-in control classes ("EDIT", "BUTTON", "STATIC", "msctls_updown32"):
// their window procedures and the notification helper they share.
#pragma once

#include <string>
#include <vector>

#include "platform/winapi.h"

namespace posix {

LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK buttonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK staticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK upDownProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// WM_COMMAND MAKEWPARAM(id, code) to the parent, sent (not posted) as on Windows.
void notifyParent(HWND hwnd, WORD code);

// Lines and characters of a control in pixels (one terminal cell).
constexpr int kLineHeight = 16, kCharWidth = 8;

// The terminal display tells an edit box how many character cells and rows it is
// shown in, as a font would on Windows: a multi-line box wraps at that width and
// pages by that height. Without it, the box goes by its pixels.
void setEditView(HWND edit, int cols, int rows);
// What rows first .. first + count - 1 of an edit box show (wrapped, CR LF removed).
std::vector<std::string> editRows(HWND edit, int first, int count);

}  // namespace posix
