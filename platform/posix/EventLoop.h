// The single blocking point of the Linux platform, shared by the message queue,
// Winsock emulation and the terminal display.
//
// Everything that can make a message registers a Source: a descriptor with the
// poll events it wants and a callback run on the GUI thread when they occur.
// GetMessageA, PeekMessageA and MsgWaitForMultipleObjects call waitSources():
// one poll() over all sources plus the wake-up descriptor, bounded by the caller's
// timeout and the next window-timer deadline. Callbacks normally just post
// messages (PostMessageA); they must not block. wake() may be called from any
// thread (resolver worker, multimedia timer, a posting thread) to end a wait.
#pragma once

#include <cstdint>
#include <functional>

namespace posix {

struct Source {
  int fd = -1;
  short events = 0;  // POLLIN, POLLOUT, ... as the caller wants them now
  // Called on the GUI thread with the poll revents; may change events or remove itself.
  std::function<void(short revents)> onReady;
  // Called just before each poll so the source can adjust fd/events (optional).
  std::function<void()> beforePoll;
};

void addSource(Source* s);     // GUI thread; the Source must outlive its registration
void removeSource(Source* s);  // GUI thread; safe inside onReady

// Wait up to timeoutMs (-1: no bound other than timers) for any source, a wake()
// or a posted message. Runs ready callbacks. Returns true when something happened:
// a source was ready, a message is posted or a window timer is due (a wake() that
// brought none of these returns false).
bool waitSources(int timeoutMs);

void wake();  // thread-safe

}  // namespace posix
