// Signal handlers of the terminal display: a self-pipe and a last-resort restore.
#include "platform/display/terminal/Signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <exception>

#include "platform/display/terminal/Screen.h"

namespace term {
namespace {

int pipeFds[2] = {-1, -1};
volatile sig_atomic_t endsAsked = 0;        // SIGTERM and SIGHUP received
volatile sig_atomic_t interruptsAsked = 0;  // SIGINT received
bool installed = false;
bool exiting = false;
std::terminate_handler previousTerminate = nullptr;

constexpr int kForwarded[] = {SIGINT, SIGTERM, SIGHUP, SIGWINCH};
constexpr int kFatal[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT};

void onForwarded(int sig) {
  int saved = errno;
  // After an end was asked, any further stop ends at once; after an interrupt (which
  // only asks the window to close) a second interrupt does, while an end still runs
  // in order, so the settings are written.
  bool now = false;
  if (sig == SIGINT) {
    now = endsAsked > 0 || interruptsAsked > 0;
    interruptsAsked = interruptsAsked + 1;
  } else if (sig != SIGWINCH) {
    now = endsAsked > 0;
    endsAsked = endsAsked + 1;
  }
  if (now) {
    restoreTerminalNow();
    _exit(128 + sig);
  }
  char b = static_cast<char>(sig);
  (void)!::write(pipeFds[1], &b, 1);
  errno = saved;
}

void onFatal(int sig) {
  restoreTerminalNow();
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void onTerminate() {
  restoreTerminalNow();
  if (previousTerminate) previousTerminate();
  std::abort();
}

void onExit() {
  exiting = true;
  restoreTerminalNow();
}

void setHandler(int sig, void (*fn)(int)) {
  struct sigaction sa {};
  sa.sa_handler = fn;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(sig, &sa, nullptr);
}

}  // namespace

void installSignalHandlers() {
  if (installed) return;
  installed = true;
  if (pipeFds[0] < 0 && ::pipe(pipeFds) == 0) {
    for (int fd : pipeFds) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  for (int sig : kForwarded) setHandler(sig, onForwarded);
  for (int sig : kFatal) setHandler(sig, onFatal);
  previousTerminate = std::set_terminate(onTerminate);
  static bool atExitDone = false;
  if (!atExitDone) {
    atExitDone = true;
    std::atexit(onExit);
  }
}

void removeSignalHandlers() {
  if (!installed) return;
  installed = false;
  for (int sig : kForwarded) setHandler(sig, SIG_DFL);
  for (int sig : kFatal) setHandler(sig, SIG_DFL);
  std::set_terminate(previousTerminate);
}

int signalPipeFd() { return pipeFds[0]; }

bool processExiting() { return exiting; }

}  // namespace term
