// The tray tests' view of the null display's notification area (Linux only): the
// icons added for one callback window.
#pragma once

#include <vector>

#include "platform/posix/Display.h"
#include "tests/tray/TrayTestSupport.h"

inline std::vector<posix::NotifyIcon> IconsOf(HWND callbackWindow) {
  std::vector<posix::NotifyIcon> found;
  for (const auto& icon : posix::notifyIcons())
    if (icon.hwnd == callbackWindow) found.push_back(icon);
  return found;
}
