// The test clock on Linux: the platform's manual clock, with the C locale so that
// dates print the same everywhere.
#include "tests/support/TestClockPosix.h"

#include <cstdlib>
#include <memory>

#include "platform/posix/Seams.h"

namespace testsupport {

namespace {
std::unique_ptr<posix::ManualClock> gClock;
}

bool FixTestClock(int64_t localStartMs) {
  ::setenv("LC_ALL", "C", 1);
  gClock = std::make_unique<posix::ManualClock>(localStartMs);
  posix::setClock(gClock.get());
  return true;
}

void AdvanceTestClock(int64_t ms) {
  if (gClock) gClock->advance(ms);
}

void ReleaseTestClock() {
  posix::setClock(nullptr);
  gClock.reset();
}

posix::ManualClock* FixedTestClock() { return gClock.get(); }

}  // namespace testsupport
