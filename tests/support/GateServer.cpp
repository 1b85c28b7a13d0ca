// The gated loopback HTTP server of the poll-cycle tests.
#include "tests/support/GateServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

int listenLoopback(uint16_t& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(fd, 16);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  port = ntohs(a.sin_port);
  return fd;
}

}  // namespace

GateServer::GateServer() {
  listenFd_ = listenLoopback(port_);
  if (::pipe(stopPipe_) != 0) stopPipe_[0] = stopPipe_[1] = -1;
  thread_ = std::thread([this] { run(); });
}

GateServer::~GateServer() {
  {
    std::lock_guard<std::mutex> l(mu_);
    stopping_ = true;
  }
  cv_.notify_all();
  char c = 'x';
  if (::write(stopPipe_[1], &c, 1) < 0) {
  }
  thread_.join();
  for (auto& w : workers_) w.join();
  ::close(listenFd_);
  ::close(stopPipe_[0]);
  ::close(stopPipe_[1]);
}

void GateServer::setReply(std::string bytes) {
  std::lock_guard<std::mutex> l(mu_);
  reply_ = std::move(bytes);
}

void GateServer::openAlways(bool on) {
  std::lock_guard<std::mutex> l(mu_);
  always_ = on;
}

void GateServer::resetInsteadOfReply(bool on) {
  std::lock_guard<std::mutex> l(mu_);
  reset_ = on;
}

void GateServer::open() {
  {
    std::lock_guard<std::mutex> l(mu_);
    ++generation_;
  }
  cv_.notify_all();
}

bool GateServer::waitAccepted(int n, int timeoutMs) const {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (accepted_.load() < n) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::yield();
  }
  return true;
}

std::vector<std::string> GateServer::requests() {
  std::lock_guard<std::mutex> l(mu_);
  return requests_;
}

uint16_t GateServer::refusedPort() {
  uint16_t port = 0;
  int fd = listenLoopback(port);
  ::close(fd);
  return port;
}

void GateServer::run() {
  pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
  while (::poll(fds, 2, -1) >= 0 && !(fds[1].revents & POLLIN)) {
    if (!(fds[0].revents & POLLIN)) continue;
    int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd >= 0) workers_.emplace_back([this, fd] { serve(fd); });
  }
}

void GateServer::serve(int fd) {
  std::string request;
  char buf[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    request.append(buf, size_t(n));
  }
  std::unique_lock<std::mutex> l(mu_);
  requests_.push_back(request);
  ++accepted_;
  const uint64_t gen = generation_;
  cv_.wait(l, [&] { return always_ || stopping_ || generation_ != gen; });
  const std::string reply = reply_;
  const bool reset = reset_;
  l.unlock();
  if (reset) {
    linger lg{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    ::close(fd);
    return;
  }
  if (!reply.empty()) ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
  ::shutdown(fd, SHUT_WR);
  while (::recv(fd, buf, sizeof buf, 0) > 0) {
  }
  ::close(fd);
}
