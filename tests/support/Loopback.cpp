// Loopback test servers: BSD sockets and poll, every wait bounded and stoppable.
#include "tests/support/Loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

int listenOn127(uint16_t& port, int backlog) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = 0;
  socklen_t len = sizeof sa;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) < 0 || ::listen(fd, backlog) < 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) {
    ::close(fd);
    return -1;
  }
  port = ntohs(sa.sin_port);
  return fd;
}

// Waits for fd to be readable, or the stop pipe; true when fd is ready.
bool waitReadable(int fd, int stopFd, int timeoutMs) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
  int r;
  do {
    r = ::poll(fds, 2, timeoutMs);
  } while (r < 0 && errno == EINTR);
  return r > 0 && fds[1].revents == 0 && fds[0].revents != 0;
}

}  // namespace

// ---- LoopbackConn ----

bool LoopbackConn::stopping() const { return server_->stopping_.load(); }

void LoopbackConn::send(const std::string& bytes) {
  size_t off = 0;
  while (fd_ >= 0 && off < bytes.size()) {
    ssize_t r = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // The client is not reading: wait for room, but never past a stop.
      pollfd fds[2] = {{fd_, POLLOUT, 0}, {server_->stopPipe_[0], POLLIN, 0}};
      if (::poll(fds, 2, 100) > 0 && fds[1].revents) return;
      continue;
    }
    if (r <= 0) return;
    off += static_cast<size_t>(r);
  }
}

int LoopbackConn::readInto(std::string& out, int timeoutMs) {
  if (fd_ < 0 || !waitReadable(fd_, server_->stopPipe_[0], timeoutMs)) return -1;
  char buf[65536];
  ssize_t r = ::recv(fd_, buf, sizeof buf, 0);
  if (r < 0) return 0;  // reset: treat as the end
  server_->record(index_, buf, static_cast<size_t>(r));
  out.append(buf, static_cast<size_t>(r));
  return static_cast<int>(r);
}

std::string LoopbackConn::readUntil(const std::string& terminator, int timeoutMs) {
  std::string got;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.find(terminator) == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || readInto(got, static_cast<int>(left.count())) <= 0) return got;
  }
  return got;
}

std::string LoopbackConn::readBytes(size_t count, int timeoutMs) {
  std::string got;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.size() < count) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || readInto(got, static_cast<int>(left.count())) <= 0) return got;
  }
  return got;
}

std::string LoopbackConn::readSome(int timeoutMs) {
  std::string got;
  readInto(got, timeoutMs);
  return got;
}

bool LoopbackConn::waitPeerClose(int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string sink;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    int r = readInto(sink, static_cast<int>(left.count()));
    if (r == 0) return true;
    if (r < 0) return false;
  }
}

void LoopbackConn::delay(int ms) {
  pollfd p{server_->stopPipe_[0], POLLIN, 0};
  ::poll(&p, 1, ms);
}

void LoopbackConn::close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

void LoopbackConn::reset() {
  if (fd_ < 0) return;
  linger l{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  close();
}

void LoopbackConn::shutdownSend() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

void LoopbackConn::hold() {
  while (!stopping() && fd_ >= 0) {
    std::string sink;
    if (readInto(sink, 50) == 0) return;
  }
}

// ---- LoopbackServer ----

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
  if (::pipe2(stopPipe_, O_CLOEXEC) < 0) return;
  listenFd_ = listenOn127(port_, 64);
  if (listenFd_ >= 0) acceptThread_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
  stop();
  if (stopPipe_[0] >= 0) ::close(stopPipe_[0]);
  if (stopPipe_[1] >= 0) ::close(stopPipe_[1]);
}

void LoopbackServer::stop() {
  if (stopping_.exchange(true)) return;
  char c = 1;
  [[maybe_unused]] ssize_t r = ::write(stopPipe_[1], &c, 1);
  if (acceptThread_.joinable()) acceptThread_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(m_);
    workers.swap(workers_);
  }
  for (auto& t : workers) t.join();
  if (listenFd_ >= 0) ::close(listenFd_);
  listenFd_ = -1;
}

void LoopbackServer::acceptLoop() {
  while (!stopping_) {
    if (!waitReadable(listenFd_, stopPipe_[0], -1)) return;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> lock(m_);
    int index = static_cast<int>(received_.size());
    received_.emplace_back();
    finished_.push_back(false);
    workers_.emplace_back([this, fd, index] { serve(fd, index); });
    cv_.notify_all();
  }
}

void LoopbackServer::serve(int fd, int index) {
  LoopbackConn conn(this, fd, index);
  if (handler_) handler_(conn);
  if (!conn.closed()) {
    conn.hold();
    conn.close();
  }
  std::lock_guard<std::mutex> lock(m_);
  finished_[static_cast<size_t>(index)] = true;
  cv_.notify_all();
}

void LoopbackServer::record(int index, const char* data, size_t n) {
  std::lock_guard<std::mutex> lock(m_);
  received_[static_cast<size_t>(index)].append(data, n);
  cv_.notify_all();
}

bool LoopbackServer::waitFor(const std::function<bool()>& pred, int timeoutMs) const {
  std::unique_lock<std::mutex> lock(m_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), pred);
}

int LoopbackServer::connections() const {
  std::lock_guard<std::mutex> lock(m_);
  return static_cast<int>(received_.size());
}

bool LoopbackServer::waitConnections(int n, int timeoutMs) const {
  return waitFor([&] { return static_cast<int>(received_.size()) >= n; }, timeoutMs);
}

std::string LoopbackServer::received(int index) const {
  std::lock_guard<std::mutex> lock(m_);
  return index < static_cast<int>(received_.size()) ? received_[static_cast<size_t>(index)] : "";
}

bool LoopbackServer::waitReceived(int index, size_t bytes, int timeoutMs) const {
  return waitFor(
      [&] {
        return index < static_cast<int>(received_.size()) &&
               received_[static_cast<size_t>(index)].size() >= bytes;
      },
      timeoutMs);
}

bool LoopbackServer::waitFinished(int index, int timeoutMs) const {
  return waitFor(
      [&] {
        return index < static_cast<int>(finished_.size()) && finished_[static_cast<size_t>(index)];
      },
      timeoutMs);
}

// ---- refused port, black hole ----

uint16_t LoopbackRefusedPort() {
  uint16_t port = 0;
  int fd = listenOn127(port, 1);
  if (fd >= 0) ::close(fd);
  return port;
}

LoopbackBlackHole::LoopbackBlackHole() {
  listenFd_ = listenOn127(port_, 0);
  if (listenFd_ < 0) return;
  // Backlog 0 still queues one connection; a few fillers make sure the queue is full,
  // after which the kernel drops further SYNs instead of refusing them.
  for (int i = 0; i < 3; ++i) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(port_);
    ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    fillers_.push_back(fd);
  }
  // Let the handshakes of the fillers finish (bounded).
  pollfd p{fillers_[0], POLLOUT, 0};
  ::poll(&p, 1, 500);
}

LoopbackBlackHole::~LoopbackBlackHole() {
  for (int fd : fillers_) ::close(fd);
  if (listenFd_ >= 0) ::close(listenFd_);
}
