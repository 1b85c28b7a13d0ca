// Registers the built-in control classes the first time any class is looked up.
#include "platform/posix/controls/Controls.h"

#include "platform/posix/Internal.h"

namespace posix {

void registerBuiltinClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  auto reg = [](const char* name, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    registerClass(wc, true);
  };
  reg("EDIT", editProc);
  reg("BUTTON", buttonProc);
  reg("STATIC", staticProc);
  reg(UPDOWN_CLASSA, upDownProc);
}

void notifyParent(HWND hwnd, WORD code) {
  HWND parent = GetParent(hwnd);
  if (!parent) return;
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code),
               reinterpret_cast<LPARAM>(hwnd));
}

}  // namespace posix
