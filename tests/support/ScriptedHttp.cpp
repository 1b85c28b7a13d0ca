// The scripted HTTP test server (POSIX sockets, one connection at a time).
#include "tests/support/ScriptedHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kIdleLimitMs = 20000;  // a client silent for this long is dropped

// Waits for fd to be readable or the stop pipe to fire; false on stop or idle limit.
bool waitReadable(int fd, int stopFd) {
  pollfd p[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
  int n = ::poll(p, 2, kIdleLimitMs);
  return n > 0 && !(p[1].revents & POLLIN);
}

size_t announcedLength(const std::string& header) {
  std::string lower(header);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t at = lower.find("\ncontent-length: ");
  if (at == std::string::npos) return 0;
  return std::strtoul(lower.c_str() + at + 17, nullptr, 10);
}

bool sendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

ScriptedHttpServer::ScriptedHttpServer(uint16_t port) {
  ::signal(SIGPIPE, SIG_IGN);
  if (::pipe(stopPipe_) != 0) return;
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0) {
    ::close(fd);
    return;
  }
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  listenFd_ = fd;
  thread_ = std::thread([this] { run(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
  if (stopPipe_[1] >= 0) {
    char c = 0;
    (void)!::write(stopPipe_[1], &c, 1);
  }
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) ::close(listenFd_);
  for (int fd : stopPipe_)
    if (fd >= 0) ::close(fd);
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
    if (!waitReadable(listenFd_, stopPipe_[0])) {
      pollfd s{stopPipe_[0], POLLIN, 0};
      if (::poll(&s, 1, 0) > 0) return;
      continue;
    }
    int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    serve(fd);
    ::close(fd);
  }
}

void ScriptedHttpServer::serve(int fd) {
  std::string got;
  char buf[65536];
  auto readSome = [&]() {
    if (!waitReadable(fd, stopPipe_[0])) return false;
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
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
      pollfd s{stopPipe_[0], POLLIN, 0};
      if (::poll(&s, 1, 0) > 0) break;
    }
  }
  ::shutdown(fd, SHUT_WR);
  while (open && readSome()) {
  }
  std::lock_guard<std::mutex> lock(mu_);
  requests_.push_back(got);
  cv_.notify_all();
}
