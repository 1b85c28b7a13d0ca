// "STATIC": a text label; everything it does is the default procedure's.
#include "platform/posix/controls/Controls.h"

namespace posix {

LRESULT CALLBACK staticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace posix
