// Linux: the terminal display when the program runs in a terminal, else the
// null display (polling and settings still work, nothing is drawn).
#include <cstdio>

#include "app/Entry.h"
#include "platform/display/terminal/TerminalDisplay.h"
#include "platform/winapi.h"

namespace {
bool gOnTerminal = false;
}

void PlatformStart() {
  gOnTerminal = posix::installTerminalDisplayIfTty();
  if (!gOnTerminal) posix::installHeadlessSession();
}

void PlatformStop() {
  posix::uninstallTerminalDisplay();
  posix::uninstallHeadlessSession();
}

// On a terminal the person sees the error box first (the screen is about to go), then
// the line stays on stderr; without one the line and the exit status say it.
void PlatformFatal(const char* what) {
  if (gOnTerminal)
    MessageBoxA(nullptr, what, "tavix", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  posix::uninstallTerminalDisplay();
  posix::uninstallHeadlessSession();
  std::fprintf(stderr, "tavix: %s\n", what);
}
