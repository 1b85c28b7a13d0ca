// The chaos server: one thread, one connection at a time, each answered as queued.
#include "tests/support/ChaosServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

constexpr size_t kMiB = 1024 * 1024;

// Binds fd to an ephemeral loopback port; 0 on failure.
uint16_t bindLoopback(int fd) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
    return 0;
  return ntohs(a.sin_port);
}

// The client's end of the connection fd serves, found among this process's
// descriptors (the tests' clients run here); -1 when it is elsewhere or gone.
int ClientEndOf(int fd) {
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return -1;
  for (int c = 0; c < 4096; ++c) {
    sockaddr_in own{};
    socklen_t ownLen = sizeof own;
    if (c != fd && ::getsockname(c, reinterpret_cast<sockaddr*>(&own), &ownLen) == 0 &&
        own.sin_family == AF_INET && own.sin_port == peer.sin_port &&
        own.sin_addr.s_addr == peer.sin_addr.s_addr)
      return c;
  }
  return -1;
}

}  // namespace

const std::string& ChaosServer::okHeader() {
  static const std::string h = "HTTP/1.0 200 OK\r\nServer: chaos\r\n\r\n";
  return h;
}

ChaosServer::ChaosServer() {
  refusedFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  refusedPort_ = bindLoopback(refusedFd_);
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  port_ = bindLoopback(listenFd_);
  if (port_ == 0 || ::listen(listenFd_, 16) != 0) {
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    return;
  }
  if (::pipe2(stopPipe_, O_CLOEXEC) != 0) return;
  thread_ = std::thread([this] { run(); });
}

ChaosServer::~ChaosServer() {
  stopping_ = true;
  if (stopPipe_[1] >= 0) (void)!::write(stopPipe_[1], "x", 1);
  if (thread_.joinable()) thread_.join();
  for (int fd : {listenFd_, refusedFd_, stopPipe_[0], stopPipe_[1]})
    if (fd >= 0) ::close(fd);
}

void ChaosServer::next(Chaos mode, int delayMs) {
  std::lock_guard<std::mutex> l(mu_);
  orders_.push_back({mode, delayMs});
}

int ChaosServer::finished() const {
  std::lock_guard<std::mutex> l(mu_);
  return finished_;
}

bool ChaosServer::waitFinished(int n, int timeoutMs) const {
  std::unique_lock<std::mutex> l(mu_);
  return cv_.wait_for(l, std::chrono::milliseconds(timeoutMs), [&] { return finished_ >= n; });
}

uint64_t ChaosServer::lastBytesSent() const {
  std::lock_guard<std::mutex> l(mu_);
  return lastSent_;
}

void ChaosServer::run() {
  while (!stopping_) {
    pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (::poll(p, 2, -1) < 0 && errno != EINTR) return;
    if (p[1].revents) return;
    if (!(p[0].revents & POLLIN)) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    serve(fd);
    ::close(fd);
    {
      std::lock_guard<std::mutex> l(mu_);
      ++finished_;
      lastSent_ = sent_;
    }
    cv_.notify_all();
  }
}

void ChaosServer::serve(int fd) {
  Order order{Chaos::Ok, 0};
  {
    std::lock_guard<std::mutex> l(mu_);
    if (!orders_.empty()) {
      order = orders_.front();
      orders_.pop_front();
    }
    sent_ = 0;
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (!readRequest(fd)) return;
  const std::string& ok = okHeader();
  switch (order.mode) {
    case Chaos::Delay:
      if (peerClosed(fd, order.delayMs)) return;
      [[fallthrough]];
    case Chaos::Ok:
      sendAll(fd, ok.data(), ok.size());
      break;
    case Chaos::NotFound: {
      static const std::string nf = "HTTP/1.0 404 Not Found\r\n\r\n";
      sendAll(fd, nf.data(), nf.size());
      break;
    }
    case Chaos::Reset: {
      linger lg{1, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
      return;
    }
    case Chaos::Hold:
      return hold(fd);
    case Chaos::Trickle:
      return trickle(fd, ok, false);
    case Chaos::TrickleEndless:
      return trickle(fd, "HTTP/1.0 200 ", true);
    case Chaos::EndlessBody:
      return endlessBody(fd);
    case Chaos::EndlessHeader:
      return endlessHeader(fd);
  }
  ::shutdown(fd, SHUT_WR);
  peerClosed(fd, 2000);  // let the client read everything before the close
}

// Reads up to the blank line that ends the request header (bounded).
bool ChaosServer::readRequest(int fd) {
  std::string got;
  char buf[4096];
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (got.find("\r\n\r\n") == std::string::npos) {
    if (stopping_ || std::chrono::steady_clock::now() > end) return false;
    pollfd p[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (::poll(p, 2, 100) <= 0) continue;
    if (p[1].revents) return false;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    got.append(buf, size_t(n));
  }
  return true;
}

// Sends everything, waiting for room when the client reads slowly; false when the
// client has gone or the server stops.
bool ChaosServer::sendAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    if (stopping_) return false;
    ssize_t k = ::send(fd, data, n, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (k < 0 && errno == EINTR) continue;
    if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p[2] = {{fd, POLLOUT, 0}, {stopPipe_[0], POLLIN, 0}};
      ::poll(p, 2, 100);
      continue;
    }
    if (k <= 0) return false;
    data += k;
    n -= size_t(k);
    std::lock_guard<std::mutex> l(mu_);
    sent_ += uint64_t(k);
  }
  return true;
}

// Waits up to waitMs for the client's close, discarding what it sends; true if it
// closed (or the server stops).
bool ChaosServer::peerClosed(int fd, int waitMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  char buf[4096];
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now())
                    .count();
    if (left < 0) return false;
    pollfd p[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (::poll(p, 2, int(left)) <= 0) continue;
    if (p[1].revents) return true;
    if (::recv(fd, buf, sizeof buf, 0) <= 0) return true;
  }
}

void ChaosServer::stall() {
  if (onStall) onStall();
}

// Waits (bounded) until the client has taken in everything sent, then stalls: a
// server that ran ahead of a slow client would move the test's clock past the
// client's time-out by more than one step.
bool ChaosServer::stallWhenRead(int fd, int clientFd) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int unread = 0;
  while (clientFd >= 0 && ::ioctl(clientFd, FIONREAD, &unread) == 0 && unread > 0) {
    if (peerClosed(fd, 1) || std::chrono::steady_clock::now() > end) return false;
  }
  stall();
  return !peerClosed(fd, 1);
}

void ChaosServer::hold(int fd) {
  while (!peerClosed(fd, 5)) stall();
}

void ChaosServer::trickle(int fd, const std::string& bytes, bool endless) {
  const int client = endless ? ClientEndOf(fd) : -1;
  for (size_t i = 0; endless || i < bytes.size(); ++i) {
    char c = i < bytes.size() ? bytes[i] : 'x';
    if (!sendAll(fd, &c, 1)) return;
    if (endless ? !stallWhenRead(fd, client) : peerClosed(fd, 1)) return;
  }
  ::shutdown(fd, SHUT_WR);
  peerClosed(fd, 2000);
}

void ChaosServer::endlessHeader(int fd) {
  const std::string status = "HTTP/1.0 200 OK\r\n";
  if (!sendAll(fd, status.data(), status.size())) return;
  const int client = ClientEndOf(fd);
  for (int i = 0; i < 1000; ++i) {
    const std::string line = "X-Line: " + std::to_string(i) + "\r\n";
    if (!sendAll(fd, line.data(), line.size()) || !stallWhenRead(fd, client)) return;
  }
  ::shutdown(fd, SHUT_WR);
  peerClosed(fd, 2000);
}

void ChaosServer::endlessBody(int fd) {
  const std::string& ok = okHeader();
  if (!sendAll(fd, ok.data(), ok.size())) return;
  const std::string chunk(64 * 1024, 'b');
  uint64_t sinceStall = 0;
  for (;;) {
    if (!sendAll(fd, chunk.data(), chunk.size())) return;
    sinceStall += chunk.size();
    if (sinceStall >= kMiB) {
      sinceStall = 0;
      stall();
    }
  }
}
