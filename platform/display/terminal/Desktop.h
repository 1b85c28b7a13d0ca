// Draws the window tree: the visible top-level windows (the active one on top) with
// their title bars and controls, the status line with the current hint, and the
// notification area on the bottom line. When a window cannot be shown whole even
// fitted, one line says the terminal is too small and what size it needs.
#pragma once

#include "platform/display/terminal/Canvas.h"
#include "platform/display/terminal/HitMap.h"
#include "platform/display/terminal/Layout.h"
#include "platform/winapi.h"

namespace term {

// Returns true when the terminal is too small: then no window is drawn or hit.
// balloons: an icon with a balloon shows it instead of its tip.
bool drawDesktop(Canvas& canvas, HitMap& hits, Layout& layout, HWND hover, bool balloons);

// The colour attribute for a WM_GETTEXTCOLOUR answer.
uint8_t colourAttr(LRESULT colour);

// The rows the windows may use: all but the status line and the notification area.
inline int desktopRows(const Canvas& c) { return c.rows() > 2 ? c.rows() - 2 : c.rows(); }

}  // namespace term
