// The loopback servers' socket calls on Windows: Winsock 2 and select. A Waker is a
// connected pair of loopback sockets, as select waits on sockets only.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>

#include "tests/support/TestNet.h"

namespace testnet {

namespace {

SOCKET sockOf(Socket s) { return static_cast<SOCKET>(s); }
Socket wrap(SOCKET s) { return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s); }

sockaddr_in loopback(uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = htons(port);
  return sa;
}

int waitFor(Socket s, bool write, Socket stop, int timeoutMs) {
  fd_set rd, wr;
  FD_ZERO(&rd);
  FD_ZERO(&wr);
  FD_SET(sockOf(s), write ? &wr : &rd);
  if (stop != kNoSocket) FD_SET(sockOf(stop), &rd);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  int r = ::select(0, &rd, &wr, nullptr, timeoutMs < 0 ? nullptr : &tv);
  if (r <= 0) return 0;
  if (stop != kNoSocket && FD_ISSET(sockOf(stop), &rd)) return 2;
  return FD_ISSET(sockOf(s), write ? &wr : &rd) ? 1 : 0;
}

int result(int r) {
  if (r != SOCKET_ERROR) return r;
  return WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : -1;
}

}  // namespace

LibraryRef::LibraryRef() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}

LibraryRef::~LibraryRef() { WSACleanup(); }

Socket listenLoopback(uint16_t& port, int backlog, bool reuseAddress) {
  SOCKET fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (fd == INVALID_SOCKET) return kNoSocket;
  if (reuseAddress) {
    BOOL one = TRUE;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
  }
  sockaddr_in sa = loopback(port);
  int len = sizeof sa;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
      (backlog != kBindOnly && ::listen(fd, backlog) != 0) ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    ::closesocket(fd);
    return kNoSocket;
  }
  port = ntohs(sa.sin_port);
  return wrap(fd);
}

Socket acceptFrom(Socket listener) { return wrap(::accept(sockOf(listener), nullptr, nullptr)); }

Socket connectLoopbackAsync(uint16_t port) {
  SOCKET fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (fd == INVALID_SOCKET) return kNoSocket;
  setNonBlocking(wrap(fd));
  sockaddr_in sa = loopback(port);
  ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  return wrap(fd);
}

void setNonBlocking(Socket s) {
  u_long on = 1;
  ::ioctlsocket(sockOf(s), FIONBIO, &on);
}

void setNoDelay(Socket s) {
  BOOL one = TRUE;
  ::setsockopt(sockOf(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one),
               sizeof one);
}

// Handles cannot be walked here: a trickling server stalls without waiting for its client.
Socket localPeerOf(Socket) { return kNoSocket; }

int unreadBytes(Socket s) {
  u_long n = 0;
  return s != kNoSocket && ::ioctlsocket(sockOf(s), FIONREAD, &n) == 0 ? static_cast<int>(n) : -1;
}

int sendSome(Socket s, const char* data, size_t len) {
  return result(::send(sockOf(s), data, static_cast<int>(len), 0));
}

int recvSome(Socket s, char* buf, size_t len) {
  return result(::recv(sockOf(s), buf, static_cast<int>(len), 0));
}

void closeSocket(Socket s) {
  if (s != kNoSocket) ::closesocket(sockOf(s));
}

void resetSocket(Socket s) {
  if (s == kNoSocket) return;
  linger l{1, 0};
  ::setsockopt(sockOf(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
  ::closesocket(sockOf(s));
}

void shutdownSend(Socket s) {
  if (s != kNoSocket) ::shutdown(sockOf(s), SD_SEND);
}

int waitReadable(Socket s, Socket stop, int timeoutMs) {
  return waitFor(s, false, stop, timeoutMs);
}

int waitWritable(Socket s, Socket stop, int timeoutMs) { return waitFor(s, true, stop, timeoutMs); }

bool readableNow(Socket s) { return s != kNoSocket && waitFor(s, false, kNoSocket, 0) == 1; }

Waker::Waker() {
  uint16_t port = 0;
  Socket listener = listenLoopback(port, 1);
  if (listener == kNoSocket) return;
  Socket out = connectLoopbackAsync(port);
  Socket in = waitReadable(listener, kNoSocket, 10000) == 1 ? acceptFrom(listener) : kNoSocket;
  closeSocket(listener);
  if (in == kNoSocket || out == kNoSocket || waitWritable(out, kNoSocket, 10000) != 1) {
    closeSocket(in);
    closeSocket(out);
    return;
  }
  read_ = in;
  write_ = out;
}

Waker::~Waker() {
  closeSocket(read_);
  closeSocket(write_);
}

void Waker::fire() {
  char c = 1;
  if (write_ != kNoSocket) ::send(sockOf(write_), &c, 1, 0);
}

}  // namespace testnet
