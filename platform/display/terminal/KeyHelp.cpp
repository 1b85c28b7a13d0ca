// The keys of the terminal display, as the F1 box lists them.
#include "platform/display/terminal/KeyHelp.h"

namespace term {

std::string keyHelpText() {
  return "F2: show the window (or click the icon)\n"
         "Tab / Shift+Tab: next / previous control\n"
         "Enter or Space: press the button; Space: toggle the check box\n"
         "Up / Down: step the interval\n"
         "PgUp / PgDn / Home / End: scroll the log\n"
         "F9: minimise   F10: maximise / restore   Ctrl+Q or Alt+F4: close\n"
         "Escape or Enter: close this box";
}

}  // namespace term
