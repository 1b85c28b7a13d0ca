// The fixed test clock on Linux, for tests that move or set it themselves.
#pragma once

#include "platform/posix/Seams.h"
#include "tests/support/TestClock.h"

namespace testsupport {

// The clock FixTestClock installed, or nullptr.
posix::ManualClock* FixedTestClock();

}  // namespace testsupport
