// The non-blocking writer behind OutputQueue.h.
//
// The descriptor is shared with whoever started us, so its blocking mode is left
// alone: a socket is written with MSG_DONTWAIT; anything else only after poll()
// says it is writable, and then no more than PIPE_BUF bytes, which a pipe with
// room takes whole without waiting.
#include "platform/posix/OutputQueue.h"

#include <limits.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace posix {
namespace {

bool isSocket(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

// Bytes written, 0 when the descriptor takes nothing now, -1 with errno on an error.
ssize_t writeSome(int fd, bool socket, const char* data, size_t size) {
  ssize_t r;
  if (socket) {
    do r = ::send(fd, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    while (r < 0 && errno == EINTR);
    return r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : r;
  }
  pollfd p{fd, POLLOUT, 0};
  if (::poll(&p, 1, 0) <= 0) return 0;  // not writable now (or interrupted: later)
  do r = ::write(fd, data, std::min<size_t>(size, PIPE_BUF));
  while (r < 0 && errno == EINTR);
  return r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : r;
}

std::string droppedNote(size_t n) {
  return "tavix: " + std::to_string(n) + (n == 1 ? " log line" : " log lines") +
         " dropped: standard output was not read in time\n";
}

}  // namespace

OutputQueue::OutputQueue(int fd, size_t maxBytes)
    : fd_(fd), socket_(isSocket(fd)), maxBytes_(maxBytes) {
  source_.fd = fd;
  source_.events = POLLOUT;
  source_.onReady = [this](short) { drain(); };
}

OutputQueue::~OutputQueue() { watch(false); }

void OutputQueue::write(const std::string& Line) {
  if (failed_) return;
  if (bytes_ + Line.size() > maxBytes_) {
    if (queue_.empty() || queue_.back().dropped == 0) queue_.push_back(Entry{{}, 0});
    ++queue_.back().dropped;
  } else {
    queue_.push_back(Entry{Line, 0});
    bytes_ += Line.size();
  }
  drain();
}

void OutputQueue::flushNow() { drain(); }

void OutputQueue::drain() {
  while (!failed_ && !queue_.empty() && writeFront()) {
  }
  watch(!failed_ && !queue_.empty());
}

// Writes as many waiting lines as one write takes whole (up to PIPE_BUF bytes).
bool OutputQueue::writeFront() {
  std::string chunk;
  for (Entry& e : queue_) {
    if (e.dropped > 0) {  // the note is written when its turn comes, so it marks the gap
      e.text = droppedNote(e.dropped);
      bytes_ += e.text.size();
      e.dropped = 0;
    }
    chunk.append(e.text, 0, PIPE_BUF - chunk.size());
    if (chunk.size() >= PIPE_BUF) break;
  }
  ssize_t n = writeSome(fd_, socket_, chunk.data(), chunk.size());
  if (n < 0) {
    fail(errno);
    return false;
  }
  if (n == 0) return false;
  bytes_ -= size_t(n);
  for (size_t left = size_t(n); left > 0;) {
    std::string& text = queue_.front().text;
    const size_t k = std::min(left, text.size());
    text.erase(0, k);
    left -= k;
    if (text.empty()) queue_.pop_front();
  }
  return true;
}

void OutputQueue::fail(int err) {
  failed_ = true;
  queue_.clear();
  bytes_ = 0;
  if (OnError) OnError(std::strerror(err));
}

// Only while something waits: a reader that went away makes the descriptor report
// an error for ever, which would wake the loop in a spin.
void OutputQueue::watch(bool on) {
  if (on == watching_) return;
  watching_ = on;
  if (on)
    addSource(&source_);
  else
    removeSource(&source_);
}

}  // namespace posix
