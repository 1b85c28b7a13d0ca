// The scripted HTTP test server (TestNet's sockets, one connection at a time).
#include "tests/support/ScriptedHttp.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace net = testnet;

namespace {

constexpr int kIdleLimitMs = 20000;  // a client silent for this long is dropped

// Waits for fd to be readable or the stop signal; false on stop or idle limit.
bool waitReadable(net::Socket fd, net::Socket stop) {
  return net::waitReadable(fd, stop, kIdleLimitMs) == 1;
}

size_t announcedLength(const std::string& header) {
  std::string lower(header);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t at = lower.find("\ncontent-length: ");
  if (at == std::string::npos) return 0;
  return std::strtoul(lower.c_str() + at + 17, nullptr, 10);
}

bool sendAll(net::Socket fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    int n = net::sendSome(fd, data.data() + sent, data.size() - sent);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

ScriptedHttpServer::ScriptedHttpServer(uint16_t port) {
  if (!stop_.ok()) return;
  port_ = port;
  listenFd_ = net::listenLoopback(port_, 16, true);
  if (listenFd_ == net::kNoSocket) {
    port_ = 0;
    return;
  }
  thread_ = std::thread([this] { run(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
  stop_.fire();
  if (thread_.joinable()) thread_.join();
  net::closeSocket(listenFd_);
}

void ScriptedHttpServer::reply(std::string bytes) {
  std::lock_guard<std::mutex> lock(mu_);
  replies_.push_back({std::move(bytes), {}});
}

void ScriptedHttpServer::replyEndless(std::string head, std::string chunk) {
  std::lock_guard<std::mutex> lock(mu_);
  replies_.push_back({std::move(head), std::move(chunk)});
}

std::vector<std::string> ScriptedHttpServer::requests() {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

bool ScriptedHttpServer::waitRequests(size_t n, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mu_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&] { return requests_.size() >= n; });
}

void ScriptedHttpServer::run() {
  for (;;) {
    if (!waitReadable(listenFd_, stop_.handle())) {
      if (stop_.fired()) return;
      continue;
    }
    net::Socket fd = net::acceptFrom(listenFd_);
    if (fd == net::kNoSocket) continue;
    serve(fd);
    net::closeSocket(fd);
  }
}

void ScriptedHttpServer::serve(net::Socket fd) {
  std::string got;
  char buf[65536];
  auto readSome = [&]() {
    if (!waitReadable(fd, stop_.handle())) return false;
    int n = net::recvSome(fd, buf, sizeof buf);
    if (n <= 0) return false;
    got.append(buf, static_cast<size_t>(n));
    return true;
  };
  bool open = true;
  size_t end;
  while ((end = got.find("\r\n\r\n")) == std::string::npos && (open = readSome())) {
  }
  if (open && end != std::string::npos) {
    size_t want = end + 4 + announcedLength(got.substr(0, end + 2));
    while (got.size() < want && (open = readSome())) {
    }
  }
  ScriptedReply r;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!replies_.empty()) {
      r = std::move(replies_.front());
      replies_.pop_front();
    }
  }
  if (open) sendAll(fd, r.bytes);
  if (open && !r.endlessChunk.empty()) {
    while (sendAll(fd, r.endlessChunk)) {
      if (stop_.fired()) break;
    }
  }
  net::shutdownSend(fd);
  while (open && readSome()) {
  }
  std::lock_guard<std::mutex> lock(mu_);
  requests_.push_back(got);
  cv_.notify_all();
}
