// The gated loopback HTTP server of the poll-cycle tests.
#include "tests/support/GateServer.h"

#include <chrono>

namespace net = testnet;

GateServer::GateServer() {
  listenFd_ = net::listenLoopback(port_, 16, true);
  thread_ = std::thread([this] { run(); });
}

GateServer::~GateServer() {
  {
    std::lock_guard<std::mutex> l(mu_);
    stopping_ = true;
  }
  cv_.notify_all();
  stop_.fire();
  thread_.join();
  for (auto& w : workers_) w.join();
  net::closeSocket(listenFd_);
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

void GateServer::atAccept(AtAccept how) {
  std::lock_guard<std::mutex> l(mu_);
  atAccept_ = how;
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
  net::LibraryRef lib;
  uint16_t port = 0;
  net::closeSocket(net::listenLoopback(port, 16, true));
  return port;
}

void GateServer::run() {
  if (listenFd_ == net::kNoSocket) return;
  while (net::waitReadable(listenFd_, stop_.handle(), -1) == 1) {
    net::Socket fd = net::acceptFrom(listenFd_);
    if (fd != net::kNoSocket) workers_.emplace_back([this, fd] { serve(fd); });
  }
}

void GateServer::serve(net::Socket fd) {
  std::unique_lock<std::mutex> first(mu_);
  const AtAccept hangUp = atAccept_;
  first.unlock();
  if (hangUp != AtAccept::Serve) {
    hangUp == AtAccept::Reset ? net::resetSocket(fd) : net::closeSocket(fd);
    ++accepted_;
    return;
  }
  std::string request;
  char buf[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    int n = net::recvSome(fd, buf, sizeof buf);
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
    net::resetSocket(fd);
    return;
  }
  if (!reply.empty()) net::sendSome(fd, reply.data(), reply.size());
  net::shutdownSend(fd);
  while (net::recvSome(fd, buf, sizeof buf) > 0) {
  }
  net::closeSocket(fd);
}
