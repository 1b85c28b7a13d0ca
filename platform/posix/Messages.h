// The message queue of the GUI thread (PostMessageA, GetMessageA, PeekMessageA,
// DispatchMessageA, MsgWaitForMultipleObjects) and its re-entrancy contract.
//
// Re-entrancy contract:
//  - One GUI thread owns every window and pumps the queue. PostMessageA (and
//    posix::wake) may be called from any thread; everything else from the GUI thread.
//    SendMessageA calls the receiver's procedure directly; a send from another
//    thread is not supported (it would run the procedure on that thread).
//  - Nested pumps are normal: a handler may call GetMessageA / PeekMessageA /
//    DispatchMessageA / MsgWaitForMultipleObjects (modal dialogs, socket waits).
//    The nested pump takes the next messages in order; the outer pump carries on
//    with whatever is left when the handler returns. No message is delivered twice.
//  - A message is removed from the queue before it is dispatched, and its receiver
//    is looked up again at dispatch time: a handler may destroy its own window (or
//    any other); messages still queued for a destroyed window are discarded.
//  - Window timers: a WM_TIMER is made only when no posted message matches the
//    filter; taking it moves the timer to the next period of its schedule, one
//    message however many periods passed. KillTimer inside the tick stops further ticks; SetTimer
//    inside the tick re-arms from now.
//  - WM_QUIT (PostQuitMessage) comes after the posted messages, before timers.
#pragma once

#include "platform/winapi.h"

namespace posix {

// A timer due now for the filter, as a WM_TIMER message; re-arms it when remove.
bool takeTimerMessage(MSG* out, HWND hwnd, UINT first, UINT last, bool remove);
// Calls the TIMERPROC of a WM_TIMER if the timer still exists; false if none.
bool dispatchTimerProc(const MSG& msg);

}  // namespace posix
