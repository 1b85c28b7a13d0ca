// Linux test helper: a temporary folder that is the settings directory
// (XDG_CONFIG_HOME) for the object's life.
#pragma once

#include <string>

#include "tests/support/TempDir.h"

namespace testsupport {

class TempConfigDir : public TempDir {
 public:
  TempConfigDir();
  ~TempConfigDir();

 private:
  std::string saved_;
  bool hadSaved_ = false;
};

}  // namespace testsupport
