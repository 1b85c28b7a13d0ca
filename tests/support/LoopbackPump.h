// Test helpers for code that waits inside the message loop: run a function from a
// window timer while an operation pumps, and pump until a condition holds (bounded).
#pragma once

#include <functional>

// Runs fn once, from a WM_TIMER about ms milliseconds from now, inside whatever pump
// is running then. The returned id can be passed to CancelCallLater.
int CallLater(int ms, std::function<void()> fn);
void CancelCallLater(int id);
// Pumps messages until cond() holds or timeoutMs passed; returns cond().
bool PumpUntil(const std::function<bool()>& cond, int timeoutMs = 10000);
