// Windows Sockets 1.1 on BSD sockets: start-up, the socket table, and the calls.
//
// Sockets block until WSAAsyncSelect registers them, as on Windows; from then on a
// connect always answers would-block and its outcome arrives as FD_CONNECT, even when
// Linux knows it at once. Error numbers are Winsock's (see NetSys.h).
#include <array>
#include <atomic>
#include <cstring>

#include "platform/posix/NetSockets.h"
#include "platform/posix/NetSys.h"
#include "platform/winapi.h"

namespace posix::net {
namespace {

constexpr unsigned kMaxGen = 254;
std::array<SockEntry, kSlots>& table() {
  static std::array<SockEntry, kSlots> t;
  return t;
}
int nextSlot = 0;
std::atomic<int> startups{0};
thread_local int lastError = 0;

}  // namespace

SOCKET SockEntry::handle() const {
  return static_cast<SOCKET>(gen * kSlots + static_cast<unsigned>(this - table().data()));
}

std::mutex& tableMutex() {
  static std::mutex m;
  return m;
}

SockEntry* entryOf(SOCKET s) {
  if (s == INVALID_SOCKET) return nullptr;
  unsigned slot = static_cast<unsigned>(s % kSlots), gen = static_cast<unsigned>(s / kSlots);
  if (gen == 0 || gen > kMaxGen) return nullptr;
  SockEntry& e = table()[slot];
  return e.inUse && e.gen == gen ? &e : nullptr;
}

SockEntry* allocateEntry() {
  std::lock_guard<std::mutex> lock(tableMutex());
  // Round robin over the slots, so a just-closed handle is not handed out again soon.
  for (int i = 0; i < kSlots; ++i) {
    SockEntry& e = table()[(nextSlot + i) % kSlots];
    if (e.inUse) continue;
    nextSlot = (nextSlot + i + 1) % kSlots;
    unsigned gen = e.gen % kMaxGen + 1;
    e = SockEntry{};
    e.gen = gen;
    e.inUse = true;
    return &e;
  }
  return nullptr;
}

void releaseEntry(SockEntry& e) {
  std::lock_guard<std::mutex> lock(tableMutex());
  unsigned gen = e.gen;
  e.inUse = false;
  e.fd = -1;
  e.gen = gen;  // kept, so the next owner of the slot gets the following generation
}

int startupCount() { return startups.load(); }
void setError(int err) { lastError = err; }

}  // namespace posix::net

namespace winapi {

using posix::net::setError;
using posix::net::SockEntry;

namespace {

int failWith(int err) {
  setError(err);
  return SOCKET_ERROR;
}

// The entry for s, or nullptr with the error set (not started, or not a socket).
SockEntry* checked(SOCKET s) {
  if (posix::net::startupCount() == 0) {
    setError(WSANOTINITIALISED);
    return nullptr;
  }
  SockEntry* e = posix::net::entryOf(s);
  if (!e) setError(WSAENOTSOCK);
  return e;
}

bool readAddress(const sockaddr* addr, int len, uint32_t* a, uint16_t* p) {
  if (!addr || len < static_cast<int>(sizeof(sockaddr_in))) return setError(WSAEFAULT), false;
  const auto* in = reinterpret_cast<const sockaddr_in*>(addr);
  if (in->sin_family != AF_INET) return setError(WSAEAFNOSUPPORT), false;
  *a = in->sin_addr.s_addr;
  *p = in->sin_port;
  return true;
}

// Errors a real stack learns from the network: Winsock reports them through FD_CONNECT.
bool isNetworkError(int err) {
  switch (err) {
    case WSAECONNREFUSED:
    case WSAETIMEDOUT:
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
    case WSAEHOSTDOWN:
    case WSAECONNRESET:
    case WSAECONNABORTED:
      return true;
    default:
      return false;
  }
}

}  // namespace

int WSAStartup(WORD version, LPWSADATA data) {
  if (!data) return WSAEFAULT;
  BYTE major = LOBYTE(version), minor = HIBYTE(version);
  std::memset(data, 0, sizeof *data);
  data->wVersion = MAKEWORD(1, 1);
  data->wHighVersion = MAKEWORD(1, 1);
  std::strcpy(data->szDescription, "Orvane Pollarion sockets on Linux");
  std::strcpy(data->szSystemStatus, "Running");
  data->iMaxSockets = posix::net::kSlots;
  data->iMaxUdpDg = 65507;
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  ++posix::net::startups;
  return 0;
}

int WSACleanup() {
  if (posix::net::startups.load() == 0) return failWith(WSANOTINITIALISED);
  if (--posix::net::startups == 0) {
    // Like Winsock, the last clean-up closes every socket still open.
    for (int i = 0; i < posix::net::kSlots; ++i) {
      SockEntry& e = posix::net::table()[i];
      if (!e.inUse) continue;
      posix::net::stopWatch(e);
      posix::net::closeFd(e.fd);
      posix::net::releaseEntry(e);
    }
  }
  return 0;
}

int WSAGetLastError() { return posix::net::lastError; }
void WSASetLastError(int err) { posix::net::lastError = err; }

SOCKET socket(int af, int type, int protocol) {
  if (posix::net::startupCount() == 0) return setError(WSANOTINITIALISED), INVALID_SOCKET;
  if (af != AF_INET) return setError(WSAEAFNOSUPPORT), INVALID_SOCKET;
  if (type != SOCK_STREAM) return setError(WSAESOCKTNOSUPPORT), INVALID_SOCKET;
  if (protocol != 0 && protocol != IPPROTO_TCP) return setError(WSAEPROTONOSUPPORT), INVALID_SOCKET;
  SockEntry* e = posix::net::allocateEntry();
  if (!e) return setError(WSAEMFILE), INVALID_SOCKET;
  int fd = posix::net::openStream();
  if (fd < 0) {
    posix::net::releaseEntry(*e);
    return setError(-fd), INVALID_SOCKET;
  }
  e->fd = fd;
  return e->handle();
}

int closesocket(SOCKET s) {
  SockEntry* e = checked(s);
  if (!e) return SOCKET_ERROR;
  posix::net::stopWatch(*e);
  int r = posix::net::closeFd(e->fd);
  posix::net::releaseEntry(*e);
  return r < 0 ? failWith(-r) : 0;
}

int setsockopt(SOCKET s, int level, int name, const char* value, int len) {
  SockEntry* e = checked(s);
  if (!e) return SOCKET_ERROR;
  if (level != SOL_SOCKET || name != SO_LINGER) return failWith(WSAENOPROTOOPT);
  if (!value || len < static_cast<int>(sizeof(linger))) return failWith(WSAEFAULT);
  linger l;
  std::memcpy(&l, value, sizeof l);
  int r = posix::net::setLinger(e->fd, l.l_onoff != 0, l.l_linger);
  return r < 0 ? failWith(-r) : 0;
}

int connect(SOCKET s, const struct sockaddr* addr, int len) {
  SockEntry* e = checked(s);
  if (!e) return SOCKET_ERROR;
  uint32_t a;
  uint16_t p;
  if (!readAddress(addr, len, &a, &p)) return SOCKET_ERROR;
  if (e->state == SockEntry::Connecting) return failWith(WSAEALREADY);
  if (e->state == SockEntry::Connected) return failWith(WSAEISCONN);
  if (e->state != SockEntry::Fresh) return failWith(WSAEINVAL);
  if (a == 0 || p == 0) return failWith(WSAEADDRNOTAVAIL);
  int r = posix::net::connectIPv4(e->fd, a, p);
  if (!e->nonBlocking) {
    if (r < 0) return e->state = SockEntry::Dead, failWith(-r);
    e->state = SockEntry::Connected;
    return 0;
  }
  if (r == 0 || r == -WSAEINPROGRESS) {
    e->state = SockEntry::Connecting;
    posix::net::refreshWatch(*e);
  } else if (isNetworkError(-r)) {
    e->state = SockEntry::Dead;
    posix::net::postEvent(*e, FD_CONNECT, -r);
  } else {
    return failWith(-r);
  }
  return failWith(WSAEWOULDBLOCK);
}

int bind(SOCKET s, const struct sockaddr* addr, int len) {
  SockEntry* e = checked(s);
  if (!e) return SOCKET_ERROR;
  uint32_t a;
  uint16_t p;
  if (!readAddress(addr, len, &a, &p)) return SOCKET_ERROR;
  int r = posix::net::bindIPv4(e->fd, a, p);
  return r < 0 ? failWith(-r) : 0;
}

int listen(SOCKET s, int backlog) {
  SockEntry* e = checked(s);
  if (!e) return SOCKET_ERROR;
  if (e->state != SockEntry::Fresh && e->state != SockEntry::Listening) return failWith(WSAEISCONN);
  int r = posix::net::listenFd(e->fd, backlog);
  if (r < 0) return failWith(-r);
  e->state = SockEntry::Listening;
  posix::net::refreshWatch(*e);
  return 0;
}

SOCKET accept(SOCKET s, struct sockaddr* addr, int* len) {
  SockEntry* e = checked(s);
  if (!e) return INVALID_SOCKET;
  if (e->state != SockEntry::Listening) return setError(WSAEINVAL), INVALID_SOCKET;
  if (addr && (!len || *len < static_cast<int>(sizeof(sockaddr_in))))
    return setError(WSAEFAULT), INVALID_SOCKET;
  uint32_t a = 0;
  uint16_t p = 0;
  int fd = posix::net::acceptIPv4(e->fd, &a, &p);
  e->acceptArmed = true;
  posix::net::refreshWatch(*e);
  if (fd < 0) return setError(-fd), INVALID_SOCKET;
  SockEntry* n = posix::net::allocateEntry();
  if (!n) return posix::net::closeFd(fd), setError(WSAEMFILE), INVALID_SOCKET;
  n->fd = fd;
  n->state = SockEntry::Connected;
  // The accepted socket inherits the listener's WSAAsyncSelect registration.
  n->nonBlocking = e->nonBlocking;
  n->hwnd = e->hwnd;
  n->msg = e->msg;
  n->events = e->events;
  if (n->nonBlocking) posix::net::setNonBlocking(fd, true);
  posix::net::refreshWatch(*n);
  if (addr) {
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_port = p;
    out.sin_addr.s_addr = a;
    std::memcpy(addr, &out, sizeof out);
    *len = sizeof out;
  }
  return n->handle();
}

int send(SOCKET s, const char* buf, int len, int flags) {
  SockEntry* e = checked(s);
  if (!e) return SOCKET_ERROR;
  if (e->state != SockEntry::Connected) return failWith(WSAENOTCONN);
  if (e->shutSend) return failWith(WSAESHUTDOWN);
  if (len < 0 || (!buf && len > 0)) return failWith(WSAEFAULT);
  int r = posix::net::sendBytes(e->fd, buf, len, (flags & 1) != 0);
  return r < 0 ? failWith(-r) : r;
}

int recv(SOCKET s, char* buf, int len, int flags) {
  SockEntry* e = checked(s);
  if (!e) return SOCKET_ERROR;
  if (e->state == SockEntry::Listening) return failWith(WSAENOTCONN);
  if (len < 0 || (!buf && len > 0)) return failWith(WSAEFAULT);
  int r = posix::net::recvBytes(e->fd, buf, len, (flags & MSG_PEEK) != 0, (flags & 1) != 0);
  // Every receive, a peek too, re-enables FD_READ.
  e->readArmed = true;
  posix::net::refreshWatch(*e);
  return r < 0 ? failWith(-r) : r;
}

int shutdown(SOCKET s, int how) {
  SockEntry* e = checked(s);
  if (!e) return SOCKET_ERROR;
  if (how < 0 || how > 2) return failWith(WSAEINVAL);
  if (e->state != SockEntry::Connected) return failWith(WSAENOTCONN);
  int r = posix::net::shutdownFd(e->fd, how);
  if (r < 0) return failWith(-r);
  if (how != 0) e->shutSend = true;
  return 0;
}

int WSAAsyncSelect(SOCKET s, HWND hwnd, u_int msg, LONG events) {
  SockEntry* e = checked(s);
  if (!e) return SOCKET_ERROR;
  if (events != 0 && !IsWindow(hwnd)) return failWith(WSAEINVAL);
  int r = posix::net::setNonBlocking(e->fd, true);
  if (r < 0) return failWith(-r);
  e->nonBlocking = true;
  e->hwnd = hwnd;
  e->msg = msg;
  e->events = events;
  e->readArmed = e->acceptArmed = true;
  posix::net::refreshWatch(*e);
  return 0;
}

}  // namespace winapi
