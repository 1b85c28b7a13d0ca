// Linux: the terminal display when the program runs in a terminal, else the
// null display (polling and settings still work, nothing is drawn).
#include <cstdio>

#include "app/Entry.h"
#include "platform/display/terminal/TerminalDisplay.h"

void PlatformStart() {
  if (!posix::installTerminalDisplayIfTty()) posix::installHeadlessSession();
}

void PlatformStop() {
  posix::uninstallTerminalDisplay();
  posix::uninstallHeadlessSession();
}

void PlatformFatal(const char* what) {
  posix::uninstallTerminalDisplay();
  posix::uninstallHeadlessSession();
  std::fprintf(stderr, "tavix: %s\n", what);
}
