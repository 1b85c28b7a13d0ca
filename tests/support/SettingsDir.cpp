// The part of the test settings directory that is the same on every platform.
#include "tests/support/SettingsDir.h"

#include "platform/winapi.h"

namespace testsupport {

std::string ModuleBaseName() {
  char buf[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::filesystem::path(buf).stem().string();
}

}  // namespace testsupport
