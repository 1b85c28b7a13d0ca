// The few socket calls the loopback test servers make, behind names of our own so
// that the servers build on BSD sockets (Linux) and on Winsock 2 (Windows) alike.
//
// Everything is IPv4 on 127.0.0.1. A Socket is the system's handle widened to an
// integer; kNoSocket marks none. Calls never raise signals (no SIGPIPE on a peer
// that went away). A Waker is a handle that becomes readable once fire() is called,
// so a server thread can wait for its socket or its stop request in one call.
#pragma once

#include <cstddef>
#include <cstdint>

namespace testnet {

using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

// A listening socket on 127.0.0.1 (port 0: an ephemeral one, returned in port); with
// backlog kBindOnly bound but not listening, so that every connect to it is refused.
inline constexpr int kBindOnly = -1;
Socket listenLoopback(uint16_t& port, int backlog, bool reuseAddress = false);
Socket acceptFrom(Socket listener);
// Starts a non-blocking connect to 127.0.0.1:port; the socket is returned at once.
Socket connectLoopbackAsync(uint16_t port);
void setNonBlocking(Socket s);
void setNoDelay(Socket s);  // every send goes out at once, however small
// The other end of s when that is a socket of this process (the tests' clients run
// here), else kNoSocket; and the bytes waiting unread on a socket (-1: unknown).
Socket localPeerOf(Socket s);
int unreadBytes(Socket s);

// >0 bytes moved; 0 end of stream (recv only); kWouldBlock; -1 any other error.
inline constexpr int kWouldBlock = -2;
int sendSome(Socket s, const char* data, size_t len);
int recvSome(Socket s, char* buf, size_t len);

void closeSocket(Socket s);
void resetSocket(Socket s);  // abortive close (RST): linger on with time 0, then close
void shutdownSend(Socket s);

// Waits until s is readable (or writable) or stop is readable; timeoutMs < 0 waits
// without limit. Returns 1 when s is ready, 2 when stop fired, 0 on time-out.
int waitReadable(Socket s, Socket stop, int timeoutMs);
int waitWritable(Socket s, Socket stop, int timeoutMs);
// True when s is readable now (used on a Waker's handle).
bool readableNow(Socket s);

// Holds a reference on the system's socket library while it lives (Windows counts
// start-ups: the servers must not depend on the program's own reference, nor keep
// the library alive once they are gone). Nothing to do on Linux.
class LibraryRef {
 public:
  LibraryRef();
  ~LibraryRef();
  LibraryRef(const LibraryRef&) = delete;
  LibraryRef& operator=(const LibraryRef&) = delete;
};

class Waker : LibraryRef {  // the library stays while it lives; not copyable
 public:
  Waker();
  ~Waker();
  bool ok() const { return read_ != kNoSocket; }
  Socket handle() const { return read_; }
  void fire();
  bool fired() const { return readableNow(read_); }

 private:
  Socket read_ = kNoSocket;
  Socket write_ = kNoSocket;
};

}  // namespace testnet
