// The hidden windows that carry the socket layer's asynchronous input to the GUI thread.
//
// "SocketWindowClass" windows hand messages numbered 1125 (socket events) and above to
// their TSocketClient's HandleSocketMessage; "TmrWindowClass" windows turn WM_TIMER into
// TThreadTimer::Trigger. Both are zero-sized, parentless tool-window popups that are
// never shown. The owner is bound to the window in the framework's window table
// (framework/WindowBinding.h) until the window's WM_NCDESTROY.
#pragma once

#include "platform/winapi.h"

class TSocketClient;
class TThreadTimer;

constexpr UINT SocketEventMessage = 1125;  // LParam: event low word, error high word
constexpr UINT HostLookupMessage = 1126;   // LParam: buffer length low word, error high word
constexpr LONG SocketEventMask = FD_READ | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;  // 61

// Register the class on first use and create the window bound to its owner; 0 on failure.
HWND AllocateSocketWindow(TSocketClient* owner);
HWND AllocateTimerWindow(TThreadTimer* owner);
