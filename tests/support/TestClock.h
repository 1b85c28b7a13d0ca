// The clock the application tests run on: fixed at a chosen moment where a test may
// set the clock (Linux), the real one elsewhere (Windows).
#pragma once

#include <cstdint>

namespace testsupport {

// Starts the test clock at localStartMs; false when the clock stays the real one.
bool FixTestClock(int64_t localStartMs);
// Moves a fixed clock forward; where the clock is real, time passes by itself.
void AdvanceTestClock(int64_t ms);
void ReleaseTestClock();

}  // namespace testsupport
