// Test settings directory on Windows: directory-less INI names always land in the
// Windows directory, and the module path is the real one.
#include "platform/winapi.h"
#include "tests/support/SettingsDir.h"

namespace testsupport {

std::filesystem::path UseSettingsDir(const std::filesystem::path&) {
  char buf[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
  return std::filesystem::path(std::string(buf, n));
}

void ReleaseSettingsDir() {}

}  // namespace testsupport
