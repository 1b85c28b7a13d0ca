// The loopback servers' socket calls on Linux: BSD sockets, poll and a pipe.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "tests/support/TestNet.h"

namespace testnet {

namespace {

sockaddr_in loopback(uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = htons(port);
  return sa;
}

int fdOf(Socket s) { return static_cast<int>(s); }

int waitFor(Socket s, short events, Socket stop, int timeoutMs) {
  pollfd fds[2] = {{fdOf(s), events, 0}, {fdOf(stop), POLLIN, 0}};
  int n = stop == kNoSocket ? 1 : 2;
  int r;
  do {
    r = ::poll(fds, static_cast<nfds_t>(n), timeoutMs);
  } while (r < 0 && errno == EINTR);
  if (r <= 0) return 0;
  if (n == 2 && fds[1].revents) return 2;
  return fds[0].revents ? 1 : 0;
}

}  // namespace

Socket listenLoopback(uint16_t& port, int backlog, bool reuseAddress) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  if (reuseAddress) {
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  }
  sockaddr_in sa = loopback(port);
  socklen_t len = sizeof sa;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) < 0 ||
      (backlog != kBindOnly && ::listen(fd, backlog) < 0) ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) < 0) {
    ::close(fd);
    return kNoSocket;
  }
  port = ntohs(sa.sin_port);
  return fd;
}

Socket acceptFrom(Socket listener) {
  int fd = ::accept4(fdOf(listener), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? kNoSocket : fd;
}

Socket connectLoopbackAsync(uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  sockaddr_in sa = loopback(port);
  ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  return fd;
}

void setNonBlocking(Socket s) {
  int flags = ::fcntl(fdOf(s), F_GETFL);
  if (flags >= 0) ::fcntl(fdOf(s), F_SETFL, flags | O_NONBLOCK);
}

void setNoDelay(Socket s) {
  int one = 1;
  ::setsockopt(fdOf(s), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

Socket localPeerOf(Socket s) {
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  if (::getpeername(fdOf(s), reinterpret_cast<sockaddr*>(&peer), &len) != 0) return kNoSocket;
  for (int c = 0; c < 4096; ++c) {
    sockaddr_in own{};
    socklen_t ownLen = sizeof own;
    if (c != fdOf(s) && ::getsockname(c, reinterpret_cast<sockaddr*>(&own), &ownLen) == 0 &&
        own.sin_family == AF_INET && own.sin_port == peer.sin_port &&
        own.sin_addr.s_addr == peer.sin_addr.s_addr)
      return c;
  }
  return kNoSocket;
}

int unreadBytes(Socket s) {
  int n = 0;
  return s != kNoSocket && ::ioctl(fdOf(s), FIONREAD, &n) == 0 ? n : -1;
}

int sendSome(Socket s, const char* data, size_t len) {
  for (;;) {
    ssize_t r = ::send(fdOf(s), data, len, MSG_NOSIGNAL);
    if (r >= 0) return static_cast<int>(r);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? kWouldBlock : -1;
  }
}

int recvSome(Socket s, char* buf, size_t len) {
  for (;;) {
    ssize_t r = ::recv(fdOf(s), buf, len, 0);
    if (r >= 0) return static_cast<int>(r);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? kWouldBlock : -1;
  }
}

void closeSocket(Socket s) {
  if (s != kNoSocket) ::close(fdOf(s));
}

void resetSocket(Socket s) {
  if (s == kNoSocket) return;
  linger l{1, 0};
  ::setsockopt(fdOf(s), SOL_SOCKET, SO_LINGER, &l, sizeof l);
  ::close(fdOf(s));
}

void shutdownSend(Socket s) {
  if (s != kNoSocket) ::shutdown(fdOf(s), SHUT_WR);
}

int waitReadable(Socket s, Socket stop, int timeoutMs) {
  return waitFor(s, POLLIN, stop, timeoutMs);
}

int waitWritable(Socket s, Socket stop, int timeoutMs) {
  return waitFor(s, POLLOUT, stop, timeoutMs);
}

bool readableNow(Socket s) { return s != kNoSocket && waitFor(s, POLLIN, kNoSocket, 0) == 1; }

LibraryRef::LibraryRef() = default;
LibraryRef::~LibraryRef() = default;

Waker::Waker() {
  int p[2];
  if (::pipe2(p, O_CLOEXEC) != 0) return;
  read_ = p[0];
  write_ = p[1];
}

Waker::~Waker() {
  closeSocket(read_);
  closeSocket(write_);
}

void Waker::fire() {
  char c = 1;
  if (write_ == kNoSocket) return;
  [[maybe_unused]] ssize_t r = ::write(fdOf(write_), &c, 1);
}

}  // namespace testnet
