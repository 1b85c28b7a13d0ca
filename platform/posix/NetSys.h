// Thin wrappers over the BSD socket, poll and resolver calls the Winsock emulation needs.
//
// Internal to platform/posix. The .cpp behind this header is the only one that includes
// the system socket headers; the Winsock emulation includes winapi.h instead, whose
// names clash with those headers. Results are the call's value (>= 0) or a negative
// Windows Sockets error number (-10035 would block, ...), never errno.
#pragma once

#include <cstdint>
#include <string>

namespace posix::net {

// poll() event bits, as the event loop's Source wants them.
extern const short kPollIn, kPollOut, kPollErr, kPollHup, kPollRdHup, kPollNval;

int wsaFromErrno(int err);  // ECONNREFUSED -> 10061, ...

int openStream();  // a TCP/IPv4 socket, close-on-exec
int closeFd(int fd);
int setNonBlocking(int fd, bool on);
int setLinger(int fd, bool on, int seconds);
// 0 when connected at once, -10036 (in progress) for a started non-blocking connect.
int connectIPv4(int fd, uint32_t addrNet, uint16_t portNet);
int pendingError(int fd);  // SO_ERROR as a Windows Sockets number (0 = none)
int bindIPv4(int fd, uint32_t addrNet, uint16_t portNet);
int listenFd(int fd, int backlog);
int acceptIPv4(int fd, uint32_t* addrNet, uint16_t* portNet);  // new fd
int sendBytes(int fd, const void* buf, int len, bool oob);     // never raises SIGPIPE
int recvBytes(int fd, void* buf, int len, bool peek, bool oob);
// A non-blocking one-byte peek: 1 data waits, 0 the peer closed, negative an error.
int peekState(int fd);
int shutdownFd(int fd, int how);  // 0 receive, 1 send, 2 both

// A descriptor another thread can make readable to wake the loop.
int makeWakeFd();
void signalWakeFd(int fd);
void drainWakeFd(int fd);

// getaddrinfo for IPv4 only; 0 with the first address, or 11001..11004.
int lookupIPv4(const std::string& name, uint32_t* addrNet);

}  // namespace posix::net
