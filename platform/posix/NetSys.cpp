// BSD socket, poll and getaddrinfo calls behind NetSys.h, with errno mapped to the
// Windows Sockets numbers the layers above expect.
#include "platform/posix/NetSys.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/FakeSocket.h"

namespace posix::net {

const short kPollIn = POLLIN;
const short kPollOut = POLLOUT;
const short kPollErr = POLLERR;
const short kPollHup = POLLHUP;
const short kPollRdHup = POLLRDHUP;
const short kPollNval = POLLNVAL;

int wsaFromErrno(int err) {
  switch (err) {
    case 0:
      return 0;
    case EINTR:
      return 10004;
    case EBADF:
      return 10038;  // a descriptor we lost is "not a socket" to the caller
    case EACCES:
    case EPERM:
      return 10013;
    case EFAULT:
      return 10014;
    case EINVAL:
      return 10022;
    case EMFILE:
    case ENFILE:
      return 10024;
    case EAGAIN:
      return 10035;
    case EINPROGRESS:
      return 10036;
    case EALREADY:
      return 10037;
    case ENOTSOCK:
      return 10038;
    case EDESTADDRREQ:
      return 10039;
    case EMSGSIZE:
      return 10040;
    case EPROTOTYPE:
      return 10041;
    case ENOPROTOOPT:
      return 10042;
    case EPROTONOSUPPORT:
      return 10043;
    case ESOCKTNOSUPPORT:
      return 10044;
    case EOPNOTSUPP:
      return 10045;
    case EPFNOSUPPORT:
      return 10046;
    case EAFNOSUPPORT:
      return 10047;
    case EADDRINUSE:
      return 10048;
    case EADDRNOTAVAIL:
      return 10049;
    case ENETDOWN:
      return 10050;
    case ENETUNREACH:
      return 10051;
    case ENETRESET:
      return 10052;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
    case EPIPE:
      return 10054;  // Winsock reports a dead peer as a reset
    case ENOBUFS:
    case ENOMEM:
      return 10055;
    case EISCONN:
      return 10056;
    case ENOTCONN:
      return 10057;
    case ESHUTDOWN:
      return 10058;
    case ETOOMANYREFS:
      return 10059;
    case ETIMEDOUT:
      return 10060;
    case ECONNREFUSED:
      return 10061;
    case ELOOP:
      return 10062;
    case ENAMETOOLONG:
      return 10063;
    case EHOSTDOWN:
      return 10064;
    case EHOSTUNREACH:
      return 10065;
    default:
      return 10022;
  }
}

static int fail() { return -wsaFromErrno(errno); }

static sockaddr_in makeAddr(uint32_t addrNet, uint16_t portNet) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = portNet;
  sa.sin_addr.s_addr = addrNet;
  return sa;
}

int openStream() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  return fd < 0 ? fail() : fd;
}

int closeFd(int fd) { return ::close(fd) < 0 ? fail() : 0; }

// One call, not a read and a write of the flags: every poll's socket comes here once.
int setNonBlocking(int fd, bool on) {
  int value = on ? 1 : 0;
  return ::ioctl(fd, FIONBIO, &value) < 0 ? fail() : 0;
}

int setLinger(int fd, bool on, int seconds) {
  struct linger l {};
  l.l_onoff = on ? 1 : 0;
  l.l_linger = seconds;
  return ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l) < 0 ? fail() : 0;
}

int connectIPv4(int fd, uint32_t addrNet, uint16_t portNet) {
  if (int fake; connectFakePeer(fd, &fake)) return fake;
  sockaddr_in sa = makeAddr(addrNet, portNet);
  int r;
  do {
    r = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  } while (r < 0 && errno == EINTR);
  return r < 0 ? fail() : 0;
}

int pendingError(int fd) {
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0) return wsaFromErrno(errno);
  return wsaFromErrno(err);
}

int bindIPv4(int fd, uint32_t addrNet, uint16_t portNet) {
  sockaddr_in sa = makeAddr(addrNet, portNet);
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  return ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) < 0 ? fail() : 0;
}

int listenFd(int fd, int backlog) { return ::listen(fd, backlog) < 0 ? fail() : 0; }

int acceptIPv4(int fd, uint32_t* addrNet, uint16_t* portNet) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  int r = ::accept4(fd, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
  if (r < 0) return fail();
  *addrNet = sa.sin_addr.s_addr;
  *portNet = sa.sin_port;
  return r;
}

int sendBytes(int fd, const void* buf, int len, bool oob) {
  ssize_t r;
  do {
    r = ::send(fd, buf, static_cast<size_t>(len), MSG_NOSIGNAL | (oob ? MSG_OOB : 0));
  } while (r < 0 && errno == EINTR);
  return r < 0 ? fail() : static_cast<int>(r);
}

int recvBytes(int fd, void* buf, int len, bool peek, bool oob) {
  ssize_t r;
  do {
    r = ::recv(fd, buf, static_cast<size_t>(len), (peek ? MSG_PEEK : 0) | (oob ? MSG_OOB : 0));
  } while (r < 0 && errno == EINTR);
  return r < 0 ? fail() : static_cast<int>(r);
}

int peekState(int fd) {
  char c;
  ssize_t r = ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
  return r < 0 ? fail() : static_cast<int>(r);
}

int shutdownFd(int fd, int how) {
  int h = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
  return ::shutdown(fd, h) < 0 ? fail() : 0;
}

int makeWakeFd() {
  int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  return fd < 0 ? fail() : fd;
}

void signalWakeFd(int fd) {
  uint64_t one = 1;
  [[maybe_unused]] ssize_t r = ::write(fd, &one, sizeof one);
}

void drainWakeFd(int fd) {
  uint64_t v;
  [[maybe_unused]] ssize_t r = ::read(fd, &v, sizeof v);
}

int lookupIPv4(const std::string& name, uint32_t* addrNet) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &res);
  if (r != 0) {
    switch (r) {
      case EAI_AGAIN:
        return 11002;
      case EAI_FAIL:
        return 11003;
#ifdef EAI_NODATA
      case EAI_NODATA:
        return 11004;
#endif
      case EAI_ADDRFAMILY:
        return 11004;
      default:
        return 11001;
    }
  }
  int err = 11004;
  for (addrinfo* p = res; p; p = p->ai_next) {
    if (p->ai_family == AF_INET && p->ai_addr) {
      *addrNet = reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
      err = 0;
      break;
    }
  }
  ::freeaddrinfo(res);
  return err;
}

}  // namespace posix::net
