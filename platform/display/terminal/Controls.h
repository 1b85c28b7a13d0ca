// Drawing of the built-in control classes (button, check box, edit, multi-line edit,
// static text, up-down) and of the text they show.
#pragma once

#include <string>

#include "platform/display/terminal/Canvas.h"
#include "platform/display/terminal/HitMap.h"
#include "platform/winapi.h"

namespace term {

// The caption as shown: "&Save" -> "Save", "&&" -> "&".
std::string withoutAccelerators(const std::string& caption);

// Draws one child window at cell rectangle r; records scroll-bar regions in hits.
void drawControl(Canvas& canvas, HitMap& hits, HWND hwnd, const Rect& r, bool focused,
                 const Hit& base);

}  // namespace term
