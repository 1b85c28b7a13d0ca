// The temporary settings directory.
#include "tests/support/TempConfigDir.h"

#include <cstdlib>

namespace testsupport {

TempConfigDir::TempConfigDir() {
  if (const char* s = std::getenv("XDG_CONFIG_HOME")) {
    saved_ = s;
    hadSaved_ = true;
  }
  setenv("XDG_CONFIG_HOME", path().c_str(), 1);
}

TempConfigDir::~TempConfigDir() {
  if (hadSaved_)
    setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace testsupport
