// The terminal display: input and signal sources, dialogs, resize, painting.
#include "platform/display/terminal/Terminal.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>

#include "platform/display/terminal/Desktop.h"
#include "platform/display/terminal/KeyHelp.h"
#include "platform/display/terminal/Session.h"
#include "platform/display/terminal/Signals.h"
#include "platform/display/terminal/TermCaps.h"
#include "platform/display/terminal/TerminalDisplay.h"
#include "platform/display/terminal/TtyIo.h"
#include "platform/posix/Internal.h"

namespace term {
namespace {

constexpr short kPollIn = 0x001;  // POLLIN, without including poll.h next to winapi.h
constexpr UINT_PTR kEscapeTimer = 1;
TerminalDisplay* gEscapeWaiter = nullptr;  // the display whose lone ESC waits

}  // namespace

TerminalDisplay::TerminalDisplay() {
  unusable_ = posix::terminalUnusable();
  if (!unusable_.empty()) return;
  installSignalHandlers();  // before curses, so that curses keeps its hands off them
  if (!screen_.open()) return;
  screen_.size(rows_, cols_);
  canvas_.resize(rows_, cols_);
  input_.fd = screen_.inputFd();
  input_.events = kPollIn;
  input_.onReady = [this](short) { onInput(); };
  posix::addSource(&input_);
  signals_.fd = signalPipeFd();
  signals_.events = kPollIn;
  signals_.onReady = [this](short) { onSignal(); };
  if (signals_.fd >= 0) posix::addSource(&signals_);
  sessionWindow_ = createSessionWindow();
}

TerminalDisplay::~TerminalDisplay() {
  if (gEscapeWaiter == this) gEscapeWaiter = nullptr;
  screen_.close();
  if (processExiting()) return;  // the platform's tables may be gone already
  posix::removeSource(&input_);
  posix::removeSource(&signals_);
  if (sessionWindow_) DestroyWindow(sessionWindow_);
  removeSignalHandlers();
}

void TerminalDisplay::beginDialog(posix::DialogRequest& req) {
  dialogs_.push_back(std::make_unique<Dialog>(req));
  if (lost_ || unattended_) dialogs_.back()->giveUp();
  dirty_ = true;
}

void TerminalDisplay::endDialog(posix::DialogRequest& req) {
  dialogs_.erase(std::remove_if(dialogs_.begin(), dialogs_.end(),
                                [&](const auto& d) { return &d->request() == &req; }),
                 dialogs_.end());
  dirty_ = true;
}

bool TerminalDisplay::beforeWait() { return dispatchPending(); }

void TerminalDisplay::paint() {
  if (!pending_.empty()) return;  // drawn when all input is delivered
  if (!dirty_ || lost_ || !screen_.isOpen()) return;
  noticeBalloons();
  tooSmall_ = drawDesktop(canvas_, hits_, layout_, router_.hover(), balloonShown_);
  Rect desk{0, 0, canvas_.cols(), desktopRows(canvas_)};
  for (auto& d : dialogs_) {
    canvas_.hideCaret();  // only the top box shows its caret
    d->draw(canvas_, hits_, desk);
  }
  // Drawing tells the edit boxes their size in cells, which marks them changed; the
  // picture already shows what they show.
  dirty_ = false;
  screen_.present(canvas_);
}

void TerminalDisplay::onInput() {
  char buf[4096];
  long n = readInput(screen_.inputFd(), buf, sizeof buf);
  if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return terminalLost();
  if (n < 0) return;
  for (const InputEvent& ev : parser_.feed(std::string_view(buf, static_cast<size_t>(n))))
    pending_.push_back(ev);
  waitForRestOfSequence();
}

// A lone ESC (or part of a sequence) waits a while for the rest; if nothing comes,
// the timer delivers it as it is.
void TerminalDisplay::waitForRestOfSequence() {
  if (!sessionWindow_) return;
  if (!parser_.waiting()) {
    KillTimer(sessionWindow_, kEscapeTimer);
    return;
  }
  gEscapeWaiter = this;
  SetTimer(sessionWindow_, kEscapeTimer, kEscapeWaitMs, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    if (gEscapeWaiter) gEscapeWaiter->escapeWaitOver();
  });
}

void TerminalDisplay::escapeWaitOver() {
  for (const InputEvent& ev : parser_.flush()) pending_.push_back(ev);
}

// One event at a time, each when the queue has run empty: the program must have
// handled a Tab (and moved the focus) before the next key picks its window, as with
// the system input queue on Windows.
bool TerminalDisplay::dispatchPending() {
  bool any = false;
  while (!pending_.empty() && !posix::postedMessagePending()) {
    InputEvent ev = pending_.front();
    pending_.pop_front();
    dispatch(ev);
    any = true;
  }
  if (any) dirty_ = true;
  return any;
}

bool TerminalDisplay::windowShown() const {
  for (HWND top : posix::topLevelOrder())
    if (IsWindowVisible(top) && !IsIconic(top)) return true;
  return false;
}

void TerminalDisplay::showKeyHelp() {
  if (help_) return;
  help_ = std::make_unique<posix::DialogRequest>();
  help_->caption = kKeyHelpCaption;
  help_->text = keyHelpText();
  help_->type = MB_OK;
  dialogs_.push_back(std::make_unique<Dialog>(*help_));
}

// Nobody waits for the key help box: it goes once answered.
void TerminalDisplay::closeKeyHelp() {
  if (!help_ || !help_->done) return;
  endDialog(*help_);
  help_.reset();
}

void TerminalDisplay::noticeBalloons() {
  for (const posix::NotifyIcon& icon : posix::notifyIcons()) {
    unsigned& seen = balloonSeen_[icon.hwnd];
    if (icon.balloonSerial == seen) continue;
    seen = icon.balloonSerial;
    balloonShown_ = true;
    if (!(icon.balloonFlags & NIIF_NOSOUND)) screen_.bell();
  }
}

void TerminalDisplay::dispatch(const InputEvent& ev) {
  if (ev.type == InputEvent::KeyPress || (ev.press && !ev.motion)) balloonShown_ = false;
  bool plain = ev.type == InputEvent::KeyPress && !ev.alt && !ev.ctrl && !ev.shift;
  if (dialogs_.empty()) {
    if (plain && ev.key == Key::F1) return showKeyHelp();
    bool quitKey = ev.type == InputEvent::KeyPress && ev.key == Key::Char && ev.ctrl &&
                   (ev.ch == 'q' || ev.ch == 'c');
    if (quitKey && !windowShown()) return endSession(SIGINT);  // as SIGINT does then
    if (ev.type == InputEvent::KeyPress)
      router_.key(ev, !tooSmall_);
    else
      router_.mouse(ev, hits_);
    return;
  }
  Dialog& top = *dialogs_.back();
  if (ev.type == InputEvent::KeyPress) {
    top.key(ev);
  } else if (ev.press && !ev.motion && ev.button == InputEvent::Left) {
    if (const Hit* hit = hits_.at(ev.row, ev.col)) top.click(*hit, ev.col);
  }
  closeKeyHelp();
}

void TerminalDisplay::onSignal() {
  char sigs[64];
  long n = readInput(signalPipeFd(), sigs, sizeof sigs);
  for (long i = 0; i < n; ++i) {
    int sig = sigs[i];
    if (sig == SIGWINCH) {
      resize();
    } else if (sig == SIGINT && GetActiveWindow() && IsWindowVisible(GetActiveWindow())) {
      PostMessageA(GetActiveWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      endSession(sig);
    }
  }
}

void TerminalDisplay::resize() {
  screen_.size(rows_, cols_);
  screen_.resize(rows_, cols_);
  canvas_.resize(rows_, cols_);
  dirty_ = true;
}

void TerminalDisplay::terminalLost() {
  if (lost_) return;
  lost_ = true;
  posix::removeSource(&input_);
  for (auto& d : dialogs_) d->giveUp();
  endSession(SIGHUP);
}

// A termination signal comes from a program, not from the person at the terminal:
// like a log-off, nobody will answer a question about unsaved work, so every box,
// open or still to come (the close-time save dialog), is answered Cancel / No.
void TerminalDisplay::endSession(int sig) {
  if (sig == SIGHUP && !lost_) return terminalLost();
  if (sig != SIGINT && !unattended_) {  // SIGTERM, SIGUSR1, ...
    unattended_ = true;
    for (auto& d : dialogs_) d->giveUp();
  }
  requestEndSession(sessionWindow_, sig);
}

}  // namespace term

namespace posix {

namespace {
bool gInstalled = false;
}

bool installTerminalDisplayIfTty() {
  if (gInstalled) return true;
  if (!term::stdioIsTerminal()) return false;
  auto d = std::make_unique<term::TerminalDisplay>();
  if (!d->ok()) {
    if (!d->unusable().empty())
      std::fprintf(stderr, "%s; running without a screen\n", d->unusable().c_str());
    return false;
  }
  setDisplay(std::move(d));
  gInstalled = true;
  return true;
}

void uninstallTerminalDisplay() {
  if (!gInstalled) return;
  gInstalled = false;
  setDisplay(nullptr);
}

}  // namespace posix
