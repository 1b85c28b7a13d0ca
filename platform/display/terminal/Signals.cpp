// Signal handlers of the terminal display: a self-pipe and a last-resort restore.
#include "platform/display/terminal/Signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

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
// Signals whose default would end the program on the spot, with the terminal left in
// mouse mode and the settings unsaved: they end it in order, as SIGTERM does.
constexpr int kEnding[] = {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSTKFLT};
// Nothing a program should die of: a reader gone away, a file grown too large; the
// write fails instead and says why.
constexpr int kIgnored[] = {SIGPIPE, SIGXFSZ};
constexpr int kFatal[] = {SIGSEGV, SIGBUS,  SIGFPE, SIGILL, SIGABRT,
                          SIGQUIT, SIGTRAP, SIGSYS, SIGXCPU};

void onForwarded(int sig) {
  int saved = errno;
  // After an end was asked, any further stop ends at once; after an interrupt (which
  // only asks the window to close) a second interrupt does, while an end still runs
  // in order, so the settings are written.
  bool now = false;
  if (pipeFds[1] < 0) {
    // No pipe to the loop (said at start): end now, with the terminal given back.
    now = sig != SIGWINCH;
  } else if (sig == SIGINT) {
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

// Every signal this unit handles, with its handler (SIG_IGN for the ignored ones).
template <typename F>
void forEachHandled(F&& f) {
  for (int sig : kForwarded) f(sig, onForwarded);
  for (int sig : kEnding) f(sig, onForwarded);
  for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) f(sig, onForwarded);
  for (int sig : kIgnored) f(sig, SIG_IGN);
  for (int sig : kFatal) f(sig, onFatal);
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
  } else if (pipeFds[0] < 0) {
    pipeFds[0] = pipeFds[1] = -1;
    std::string text = std::string("tavix: cannot watch for signals (") + std::strerror(errno) +
                       "); a signal ends the program at once, without saving\n";
    (void)!::write(2, text.data(), text.size());
  }
  forEachHandled(setHandler);
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
  forEachHandled([](int sig, void (*)(int)) { setHandler(sig, SIG_DFL); });
  std::set_terminate(previousTerminate);
}

int signalPipeFd() { return pipeFds[0]; }

bool processExiting() { return exiting; }

}  // namespace term
