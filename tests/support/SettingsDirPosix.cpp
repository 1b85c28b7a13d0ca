// Test settings directory on Linux: both the Windows directory and the module path
// are redirected into the test's own directory.
#include <cstdlib>

#include "platform/posix/Seams.h"
#include "tests/support/SettingsDir.h"

namespace testsupport {

std::filesystem::path UseSettingsDir(const std::filesystem::path& dir) {
  ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  posix::setModuleFileName((dir / "tavix").string());
  return dir;
}

void ReleaseSettingsDir() { posix::setModuleFileName(""); }

}  // namespace testsupport
