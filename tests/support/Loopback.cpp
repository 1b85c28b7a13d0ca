// The loopback test server: every wait bounded and stoppable (TestNet's sockets).
#include "tests/support/Loopback.h"

#include <cctype>
#include <chrono>
#include <cstdlib>

namespace net = testnet;

namespace {

// Milliseconds left until deadline, rounded up so that a wait of 1 ms waits (0 or less:
// passed).
long long msLeft(std::chrono::steady_clock::time_point deadline) {
  return std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
      .count();
}

std::chrono::steady_clock::time_point after(int ms) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

// What a request header's Content-Length line announces (0 without one).
size_t announcedLength(std::string header) {
  for (char& c : header) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t at = header.find("\ncontent-length: ");
  return at == std::string::npos ? 0 : std::strtoul(header.c_str() + at + 17, nullptr, 10);
}

}  // namespace

// ---- LoopbackConn ----

bool LoopbackConn::stopping() const { return server_->stopping_.load(); }

bool LoopbackConn::send(const std::string& bytes) {
  size_t off = 0;
  while (off < bytes.size()) {
    if (fd_ == net::kNoSocket || stopping()) return false;
    int r = net::sendSome(fd_, bytes.data() + off, bytes.size() - off);
    if (r == net::kWouldBlock) {
      // The client is not reading: wait for room, but never past a stop.
      net::waitWritable(fd_, server_->stop_.handle(), 100);
      continue;
    }
    if (r <= 0) return false;
    off += static_cast<size_t>(r);
    server_->locked([&] { server_->at(index_).sent += static_cast<uint64_t>(r); });
  }
  return true;
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

std::string LoopbackConn::readRequest(int timeoutMs) {
  auto deadline = after(timeoutMs);
  std::string got = readUntil("\r\n\r\n", timeoutMs);
  size_t end = got.find("\r\n\r\n");
  if (end == std::string::npos) return "";
  size_t want = end + 4 + announcedLength(got.substr(0, end + 2));
  long long left = msLeft(deadline);
  if (got.size() < want && left > 0) got += readBytes(want - got.size(), static_cast<int>(left));
  return got.size() < want ? "" : got;
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

LoopbackServer::LoopbackServer(Handler handler, Serving how) : LoopbackServer(how, 0) {
  start(std::move(handler));
}

LoopbackServer::LoopbackServer(Serving how, uint16_t port, size_t kept)
    : how_(how), kept_(kept), port_(port) {
  // A port asked for may still have connections of an earlier run in TIME_WAIT.
  if (stop_.ok()) listenFd_ = net::listenLoopback(port_, 64, port != 0);
  if (!listening()) port_ = 0;
}

LoopbackServer::~LoopbackServer() { stop(); }

void LoopbackServer::start(Handler handler) {
  handler_ = std::move(handler);
  if (listening()) acceptThread_ = std::thread([this] { acceptLoop(); });
}

void LoopbackServer::stop() {
  {
    std::lock_guard<std::mutex> lock(m_);
    if (stopping_.exchange(true)) return;
    cv_.notify_all();
  }
  stop_.fire();
  if (acceptThread_.joinable()) acceptThread_.join();
  for (auto& t : workers_) t.join();  // the accept thread, which adds them, is gone
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
    int index = 0;
    locked([&] {
      if (kept_ > 0 && records_.size() >= kept_) {
        records_.pop_front();
        ++first_;
      }
      records_.emplace_back();
      index = first_ + static_cast<int>(records_.size()) - 1;
    });
    if (how_ == Serving::OneByOne)
      serve(fd, index);
    else
      workers_.emplace_back([this, fd, index] { serve(fd, index); });
  }
}

void LoopbackServer::serve(net::Socket fd, int index) {
  LoopbackConn conn(this, fd, index);
  if (handler_) handler_(conn);
  if (!conn.closed()) {
    conn.hold();
    conn.close();
  }
  locked([&] {
    at(index).finished = true;
    ++served_;
  });
}

void LoopbackServer::record(int index, const char* data, size_t n) {
  locked([&] { at(index).received.append(data, n); });
}

const LoopbackServer::Record* LoopbackServer::at(int index) const {
  const int i = index - first_;
  return i >= 0 && i < static_cast<int>(records_.size()) ? &records_[static_cast<size_t>(i)]
                                                         : nullptr;
}

void LoopbackServer::locked(const std::function<void()>& f) const {
  std::lock_guard<std::mutex> lock(m_);
  f();
  cv_.notify_all();
}

bool LoopbackServer::waitFor(const std::function<bool()>& pred, int timeoutMs) const {
  std::unique_lock<std::mutex> lock(m_);
  cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return stopping_ || pred(); });
  return pred();
}

int LoopbackServer::connections() const {
  std::lock_guard<std::mutex> lock(m_);
  return first_ + static_cast<int>(records_.size());
}

bool LoopbackServer::waitConnections(int n, int timeoutMs) const {
  return waitFor([&] { return first_ + static_cast<int>(records_.size()) >= n; }, timeoutMs);
}

std::string LoopbackServer::received(int index) const {
  std::lock_guard<std::mutex> lock(m_);
  return at(index) ? at(index)->received : "";
}

std::vector<std::string> LoopbackServer::requests() const {
  std::lock_guard<std::mutex> lock(m_);
  std::vector<std::string> all;
  for (const Record& r : records_) all.push_back(r.received);
  return all;
}

bool LoopbackServer::waitReceived(int index, size_t bytes, int timeoutMs) const {
  return waitFor([&] { return at(index) && at(index)->received.size() >= bytes; }, timeoutMs);
}

uint64_t LoopbackServer::sent(int index) const {
  std::lock_guard<std::mutex> lock(m_);
  return at(index) ? at(index)->sent : 0;
}

bool LoopbackServer::waitFinished(int index, int timeoutMs) const {
  return waitFor([&] { return at(index) && at(index)->finished; }, timeoutMs);
}

bool LoopbackServer::waitServed(int n, int timeoutMs) const {
  return waitFor([&] { return served_ >= n; }, timeoutMs);
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
