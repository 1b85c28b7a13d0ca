// Without a terminal (null display) the termination signals still end the program
// as a log-off does: the windows are asked and told through the session window, and
// the null display answers every question Cancel / No, so nothing waits for a person.
// SIGINT does the same, since no window is shown to close.
#include <csignal>
#include <memory>

#include "platform/display/terminal/Session.h"
#include "platform/display/terminal/Signals.h"
#include "platform/display/terminal/TerminalDisplay.h"
#include "platform/display/terminal/TtyIo.h"
#include "platform/posix/EventLoop.h"

namespace term {
namespace {

constexpr short kPollIn = 0x001;  // POLLIN, without including poll.h next to winapi.h

class HeadlessSession {
 public:
  HeadlessSession() {
    installSignalHandlers();  // SIGPIPE is ignored: a log copy to a closed pipe fails
    signals_.fd = signalPipeFd();
    signals_.events = kPollIn;
    signals_.onReady = [this](short) { onSignal(); };
    if (signals_.fd >= 0) posix::addSource(&signals_);
    window_ = createSessionWindow();
  }
  ~HeadlessSession() {
    if (processExiting()) return;  // the platform's tables may be gone already
    posix::removeSource(&signals_);
    if (window_) DestroyWindow(window_);
    removeSignalHandlers();
  }
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

 private:
  void onSignal() {
    char sigs[64];
    long n = readInput(signalPipeFd(), sigs, sizeof sigs);
    for (long i = 0; i < n; ++i)
      if (sigs[i] != SIGWINCH) requestEndSession(window_, sigs[i]);
  }

  posix::Source signals_;
  HWND window_ = nullptr;
};

std::unique_ptr<HeadlessSession>& session() {
  static std::unique_ptr<HeadlessSession> s;
  return s;
}

}  // namespace
}  // namespace term

namespace posix {

void installHeadlessSession() {
  if (!term::session()) term::session() = std::make_unique<term::HeadlessSession>();
}

void uninstallHeadlessSession() { term::session().reset(); }

}  // namespace posix
