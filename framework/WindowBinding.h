// The one table from a window to what stands behind it: the object that owns the window
// and, for windows whose class procedure is BoundWindowProc, the handler their messages
// go to. Controls, helper windows, utility windows and the socket layer's hidden windows
// are all found here; subclassing is TWindowHook's job (framework/WindowHook.h).
//
// Bind when the window is made, unbind before it is destroyed (or in its WM_NCDESTROY):
// on Windows a window handle is reused once the window is gone, so a binding must never
// outlive its window. A handler may unbind or destroy its own window while it runs: the
// call finishes on its own reference. GUI thread only.
#pragma once

#include <functional>

#include "platform/winapi.h"

class TObject;

using TWindowHandler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Binds (or rebinds) wnd; either part may be empty.
void BindWindow(HWND wnd, TObject* object, TWindowHandler handler = {});
// Forgets wnd; with an object, only while wnd is still bound to that object.
void UnbindWindow(HWND wnd, const TObject* object = nullptr);
// The object bound to wnd, or nullptr.
TObject* BoundObject(HWND wnd);
// A class procedure: the bound handler, else DefWindowProcA.
LRESULT CALLBACK BoundWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
