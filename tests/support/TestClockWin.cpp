// The test clock on Windows: always the real one.
#include "tests/support/TestClock.h"

namespace testsupport {

bool FixTestClock(int64_t) { return false; }
void AdvanceTestClock(int64_t) {}
void ReleaseTestClock() {}

}  // namespace testsupport
