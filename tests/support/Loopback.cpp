// Loopback test servers: every wait bounded and stoppable (TestNet's sockets).
#include "tests/support/Loopback.h"

#include <chrono>

namespace net = testnet;

namespace {

// Milliseconds left until deadline (0 or less: passed).
long long msLeft(std::chrono::steady_clock::time_point deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                               std::chrono::steady_clock::now())
      .count();
}

std::chrono::steady_clock::time_point after(int ms) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

}  // namespace

// ---- LoopbackConn ----

bool LoopbackConn::stopping() const { return server_->stopping_.load(); }

void LoopbackConn::send(const std::string& bytes) {
  size_t off = 0;
  while (fd_ != net::kNoSocket && off < bytes.size()) {
    int r = net::sendSome(fd_, bytes.data() + off, bytes.size() - off);
    if (r == net::kWouldBlock) {
      // The client is not reading: wait for room, but never past a stop.
      if (net::waitWritable(fd_, server_->stop_.handle(), 100) == 2) return;
      continue;
    }
    if (r <= 0) return;
    off += static_cast<size_t>(r);
  }
}

int LoopbackConn::readInto(std::string& out, int timeoutMs) {
  auto deadline = after(timeoutMs);
  for (;;) {
    if (fd_ == net::kNoSocket) return -1;
    long long left = msLeft(deadline);
    if (left < 0 || net::waitReadable(fd_, server_->stop_.handle(), static_cast<int>(left)) != 1)
      return -1;
    char buf[65536];
    int r = net::recvSome(fd_, buf, sizeof buf);
    if (r == net::kWouldBlock) continue;  // readiness without data: wait again
    if (r < 0) {                          // reset: treat as the end
      peerReset_ = true;
      return 0;
    }
    server_->record(index_, buf, static_cast<size_t>(r));
    out.append(buf, static_cast<size_t>(r));
    return r;
  }
}

std::string LoopbackConn::readUntil(const std::string& terminator, int timeoutMs) {
  std::string got;
  auto deadline = after(timeoutMs);
  while (got.find(terminator) == std::string::npos) {
    long long left = msLeft(deadline);
    if (left <= 0 || readInto(got, static_cast<int>(left)) <= 0) return got;
  }
  return got;
}

std::string LoopbackConn::readBytes(size_t count, int timeoutMs) {
  std::string got;
  auto deadline = after(timeoutMs);
  while (got.size() < count) {
    long long left = msLeft(deadline);
    if (left <= 0 || readInto(got, static_cast<int>(left)) <= 0) return got;
  }
  return got;
}

std::string LoopbackConn::readSome(int timeoutMs) {
  std::string got;
  readInto(got, timeoutMs);
  return got;
}

bool LoopbackConn::waitPeerClose(int timeoutMs) {
  auto deadline = after(timeoutMs);
  std::string sink;
  for (;;) {
    long long left = msLeft(deadline);
    if (left <= 0) return false;
    int r = readInto(sink, static_cast<int>(left));
    if (r == 0) return true;
    if (r < 0) return false;
  }
}

void LoopbackConn::delay(int ms) {
  // Waits on the stop signal alone: it is readable only once the server stops.
  net::waitReadable(server_->stop_.handle(), net::kNoSocket, ms);
}

void LoopbackConn::close() {
  if (fd_ == net::kNoSocket) return;
  net::closeSocket(fd_);
  fd_ = net::kNoSocket;
}

void LoopbackConn::reset() {
  if (fd_ == net::kNoSocket) return;
  net::resetSocket(fd_);
  fd_ = net::kNoSocket;
}

void LoopbackConn::shutdownSend() { net::shutdownSend(fd_); }

void LoopbackConn::hold() {
  while (!stopping() && fd_ != net::kNoSocket) {
    std::string sink;
    if (readInto(sink, 50) == 0) return;
  }
}

// ---- LoopbackServer ----

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
  if (!stop_.ok()) return;
  listenFd_ = net::listenLoopback(port_, 64);
  if (listenFd_ != net::kNoSocket) acceptThread_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() { stop(); }

void LoopbackServer::stop() {
  if (stopping_.exchange(true)) return;
  stop_.fire();
  if (acceptThread_.joinable()) acceptThread_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(m_);
    workers.swap(workers_);
  }
  for (auto& t : workers) t.join();
  net::closeSocket(listenFd_);
  listenFd_ = net::kNoSocket;
}

void LoopbackServer::acceptLoop() {
  while (!stopping_) {
    if (net::waitReadable(listenFd_, stop_.handle(), -1) != 1) return;
    net::Socket fd = net::acceptFrom(listenFd_);
    if (fd == net::kNoSocket) continue;
    // Sends must not block a handler whose client stopped reading (see send()).
    net::setNonBlocking(fd);
    std::lock_guard<std::mutex> lock(m_);
    int index = static_cast<int>(received_.size());
    received_.emplace_back();
    finished_.push_back(false);
    workers_.emplace_back([this, fd, index] { serve(fd, index); });
    cv_.notify_all();
  }
}

void LoopbackServer::serve(net::Socket fd, int index) {
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
  net::LibraryRef lib;
  uint16_t port = 0;
  net::closeSocket(net::listenLoopback(port, 1));
  return port;
}

LoopbackBlackHole::LoopbackBlackHole() {
  listenFd_ = net::listenLoopback(port_, 0);
  if (listenFd_ == net::kNoSocket) return;
  // Backlog 0 still queues one connection; a few fillers make sure the queue is full,
  // after which the kernel drops further SYNs instead of refusing them.
  for (int i = 0; i < 3; ++i) fillers_.push_back(net::connectLoopbackAsync(port_));
  // Let the handshakes of the fillers finish (bounded).
  net::waitWritable(fillers_[0], net::kNoSocket, 500);
}

LoopbackBlackHole::~LoopbackBlackHole() {
  for (net::Socket fd : fillers_) net::closeSocket(fd);
  net::closeSocket(listenFd_);
}
