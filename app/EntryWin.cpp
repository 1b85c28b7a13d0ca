// Windows: the arguments are ignored, as they always were; the common controls
// (the interval's up-down control, the hint tooltip) are registered before any window
// exists, and a
// fatal error is shown in a message box, as there is no console to print it on.
#include "app/Entry.h"
#include "platform/winapi.h"

int PlatformCommandLine(int, char**) { return -1; }

void PlatformStart() {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof(icc);
  icc.dwICC = ICC_UPDOWN_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&icc);
}

int PlatformReady(bool) { return -1; }  // the window is there to switch polling on

int PlatformStop() { return 0; }

void PlatformFatal(const char* what) {
  MessageBoxA(nullptr, what, "tavix", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}
