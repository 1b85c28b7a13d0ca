// The one rule every timer component (TTimer, the socket's TThreadTimer, the tray's
// THiTimer) follows when a tick calls its handler: it calls a copy, so that the handler
// may replace or clear the timer's OnTimer, which frees the function it is running in.
#pragma once

#include "framework/Classes.h"

inline void CallTimerHandler(const TNotifyEvent& handler, TObject* sender) {
  TNotifyEvent running = handler;
  if (running) running(sender);
}
