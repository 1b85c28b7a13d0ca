// Test helpers for code that waits inside the message loop: run a function from a
// window timer while an operation pumps, pump until a condition holds (bounded), and
// end a test run whose test hangs inside a wait of the code under test.
#pragma once

#include <functional>

// Runs fn once, from a WM_TIMER about ms milliseconds from now, inside whatever pump
// is running then. The returned id can be passed to CancelCallLater.
int CallLater(int ms, std::function<void()> fn);
void CancelCallLater(int id);
// Pumps messages until cond() holds or timeoutMs passed; returns cond().
bool PumpUntil(const std::function<bool()>& cond, int timeoutMs = 10000);
// From now on, a test still running boundMs after it started ends the run with a
// message naming it: a wait inside the code under test that never ends (an event that
// never comes, or one posted for ever) fails within seconds, not at the harness limit.
// Calling it again changes nothing.
void FailTestsThatHang(int boundMs);
