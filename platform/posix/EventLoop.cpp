// The one blocking point: poll() over the registered sources, the wake-up eventfd
// and the next window-timer deadline.
#include "platform/posix/EventLoop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/Display.h"
#include "platform/posix/Internal.h"

namespace posix {
namespace {

std::vector<Source*>& sources() {
  static std::vector<Source*> s;
  return s;
}

int wakeFd() {
  static int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  return fd;
}

// Threads between the start of a wait and the end of its poll. A wake-up is needed
// only then: anything posted or armed before a wait starts is seen by the wait's own
// checks (the posted queue, the timer deadline), so a post from the loop's own thread
// does not cost a pointless pass through poll().
std::atomic<int> gWaiting{0};

struct WaitScope {
  WaitScope() { gWaiting.fetch_add(1); }
  ~WaitScope() { gWaiting.fetch_sub(1); }
};

bool registered(Source* s) {
  auto& v = sources();
  return std::find(v.begin(), v.end(), s) != v.end();
}

// How long the poll may sleep: the caller's bound and the next timer deadline
// (with a manual clock only advance() makes timers due, and it wakes us).
int effectiveTimeout(int timeoutMs) {
  uint64_t due = nextTimerDeadline();
  if (due == UINT64_MAX || !clockIsReal()) return timeoutMs;
  uint64_t now = nowMs();
  int untilDue = due <= now ? 0 : static_cast<int>(std::min<uint64_t>(due - now, INT32_MAX));
  return timeoutMs < 0 ? untilDue : std::min(timeoutMs, untilDue);
}

// More descriptors than the open-file limit lets one poll() take (EINVAL): look at
// them in slices the limit allows, a few times a second, so the program goes on
// (and a signal still ends it in order) without spinning. Said once, on stderr.
int pollInSlices(std::vector<pollfd>& fds, int timeout) {
  static bool said = false;
  rlimit lim{};
  getrlimit(RLIMIT_NOFILE, &lim);
  const size_t slice = std::max<size_t>(1, std::min<size_t>(lim.rlim_cur, fds.size()));
  if (!said) {
    said = true;
    std::string text = "tavix: the open-file limit (" + std::to_string(lim.rlim_cur) +
                       ") is below the " + std::to_string(fds.size()) +
                       " descriptors to watch; watching them in turns, with some delay\n";
    ssize_t w = write(2, text.data(), text.size());
    (void)w;
  }
  constexpr int kPaceMs = 100;
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(timeout < 0 ? INT32_MAX : timeout);
  for (;;) {
    int ready = 0;
    for (size_t at = 0; at < fds.size(); at += slice) {
      int n = poll(fds.data() + at, std::min(slice, fds.size() - at), 0);
      if (n < 0) return n;
      ready += n;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (ready > 0 || left.count() <= 0) return ready;
    poll(nullptr, 0, int(std::min<int64_t>(kPaceMs, left.count())));
  }
}

bool timerDue() {
  uint64_t due = nextTimerDeadline();
  return due != UINT64_MAX && due <= nowMs();
}

}  // namespace

void addSource(Source* s) {
  if (s && !registered(s)) sources().push_back(s);
}

void removeSource(Source* s) {
  auto& v = sources();
  v.erase(std::remove(v.begin(), v.end(), s), v.end());
}

void wake() {
  if (gWaiting.load() == 0) return;
  uint64_t one = 1;
  ssize_t n = write(wakeFd(), &one, sizeof one);
  (void)n;  // a full counter still wakes the poll
}

namespace {
// Static initialisation runs on the main thread, the one that owns the windows.
const std::thread::id gLoopThread = std::this_thread::get_id();
}  // namespace

bool onLoopThread() { return std::this_thread::get_id() == gLoopThread; }

bool waitSources(int timeoutMs) {
  // Input goes in only where the caller would wait: a zero wait (PeekMessage) must
  // not answer a dialog its caller does not look at before waiting again.
  bool delivered = timeoutMs != 0 && display().beforeWait();
  serviceForeignDialogs();
  std::optional<WaitScope> waiting(std::in_place);
  std::vector<Source*> snapshot = sources();
  for (Source* s : snapshot)
    if (registered(s) && s->beforePoll) s->beforePoll();
  snapshot = sources();

  std::vector<pollfd> fds;
  fds.push_back(pollfd{wakeFd(), POLLIN, 0});
  for (Source* s : snapshot) fds.push_back(pollfd{s->fd, s->events, 0});

  int timeout = delivered ? 0 : effectiveTimeout(timeoutMs);
  // A zero wait with no source to look at has nothing to learn from poll(): posts and
  // due timers are checked below, and the wake-up descriptor only cuts sleeps short.
  if (timeout == 0 && snapshot.empty()) {
    waiting.reset();
    return delivered || postedMessagePending() || timerDue();
  }
  if (timeout != 0) {
    display().paint();
    // Something may have been posted while painting.
    if (postedMessagePending()) timeout = 0;
  }
  int n = poll(fds.data(), fds.size(), timeout);
  if (n < 0 && errno == EINVAL) n = pollInSlices(fds, timeout);
  waiting.reset();
  if (n < 0) return false;  // EINTR: the caller loops
  if (fds[0].revents) {
    uint64_t v;
    ssize_t r = read(wakeFd(), &v, sizeof v);
    (void)r;
  }
  bool happened = delivered;
  for (size_t i = 1; i < fds.size(); ++i) {
    Source* s = snapshot[i - 1];
    // A callback may have removed this source (or others) meanwhile.
    if (fds[i].revents && registered(s) && s->onReady) {
      s->onReady(fds[i].revents);
      happened = true;
    }
  }
  // A bare wake-up counts only if it brought something (a post, a due timer).
  return happened || postedMessagePending() || timerDue();
}

}  // namespace posix
