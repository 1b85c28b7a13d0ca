// The loopback test server on 127.0.0.1 (an ephemeral port, or one asked for), for the
// socket, HTTP, app and end-to-end tests and the benchmarks.
//
// LoopbackServer accepts connections on a thread of its own and runs a handler (the
// script) for each: each on a thread of its own, or one after another on the accept
// thread (Serving::OneByOne, for runs of thousands of connections). The handler talks
// through LoopbackConn: read (everything read is recorded per connection, and what is
// sent is counted), send, delay, close, reset (RST), stay silent. Every wait is bounded
// and ends early when the server stops, so a test never hangs on its server. When the
// handler returns without closing, the server keeps reading (and recording) until the
// client closes.
//
// A script with state of its own derives from LoopbackServer, starts it once its members
// are ready and stops it before they go; locked() and waitFor() share the server's lock,
// so its waits end when the server stops. Scripts: tests/support/LoopbackScripts.h.
//
// LoopbackRefusedPort gives a port nothing listens on; LoopbackBlackHole a port whose
// accept queue is full, so a connect to it neither succeeds nor fails.
//
// They talk to the system's sockets through tests/support/TestNet.h, not through the
// program's platform, so the server is the same on Linux and Windows.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/TestNet.h"

class LoopbackServer;

class LoopbackConn {
 public:
  // Sends everything, waiting for room while the client reads; false once the client
  // has gone or the server stops.
  bool send(const std::string& bytes);
  // Reads until the recorded input ends with terminator (or holds it); returns all
  // the bytes read by this call. Empty on time-out, peer close or stop.
  std::string readUntil(const std::string& terminator, int timeoutMs = 10000);
  std::string readBytes(size_t count, int timeoutMs = 10000);
  std::string readSome(int timeoutMs = 10000);  // what one read gives
  // An HTTP request: the header up to its blank line, then as many body bytes as its
  // Content-Length announces. Empty when it did not come whole.
  std::string readRequest(int timeoutMs = 10000);
  bool waitPeerClose(int timeoutMs = 10000);  // reads (recording) until EOF
  void delay(int ms);                         // ends early when the server stops
  void close();                               // graceful: FIN
  void reset();                               // abortive: RST
  void shutdownSend();                        // half-close: FIN, keep reading
  void hold();  // stay silent until the client closes or the server stops
  bool closed() const { return fd_ == testnet::kNoSocket; }
  bool peerReset() const { return peerReset_; }  // the client's end came as a reset (RST)
  bool stopping() const;
  testnet::Socket socket() const { return fd_; }

 private:
  friend class LoopbackServer;
  LoopbackConn(LoopbackServer* server, testnet::Socket fd, int index)
      : server_(server), fd_(fd), index_(index) {}
  int readInto(std::string& out, int timeoutMs);  // >0 bytes, 0 EOF, -1 time-out/stop
  LoopbackServer* server_;
  testnet::Socket fd_;
  int index_;
  bool peerReset_ = false;
};

class LoopbackServer {
 public:
  using Handler = std::function<void(LoopbackConn&)>;
  enum class Serving { Concurrently, OneByOne };
  explicit LoopbackServer(Handler handler, Serving how = Serving::Concurrently);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  bool listening() const { return listenFd_ != testnet::kNoSocket; }
  uint16_t port() const { return port_; }
  std::string portText() const { return std::to_string(port_); }
  std::string address() const { return "127.0.0.1:" + portText(); }
  int connections() const;
  bool waitConnections(int n, int timeoutMs = 10000) const;
  std::string received(int index = 0) const;  // bytes the client sent on connection index
  std::vector<std::string> requests() const;  // those of every connection so far, in order
  bool waitReceived(int index, size_t bytes, int timeoutMs = 10000) const;
  uint64_t sent(int index) const;                             // bytes sent on connection index
  bool waitFinished(int index, int timeoutMs = 10000) const;  // its handler is done
  bool waitServed(int n, int timeoutMs = 10000) const;        // n handlers are done
  void stop();

 protected:
  // For scripts: port 0 takes an ephemeral one; kept > 0 keeps the records of the last
  // kept connections only (a run of thousands then holds no memory for them).
  // Nothing is accepted before start().
  LoopbackServer(Serving how, uint16_t port, size_t kept = 0);
  void start(Handler handler);
  // Runs f under the server's lock, then wakes every wait.
  void locked(const std::function<void()>& f) const;
  // Waits (under the server's lock) until pred holds, the server stops or the time passes.
  bool waitFor(const std::function<bool()>& pred, int timeoutMs) const;

 private:
  friend class LoopbackConn;
  void acceptLoop();
  void serve(testnet::Socket fd, int index);
  void record(int index, const char* data, size_t n);

  struct Record {
    std::string received;
    uint64_t sent = 0;
    bool finished = false;
  };
  const Record* at(int index) const;  // under the lock; null when none (or no longer kept)
  Record& at(int index) {             // a connection being served, whose record is always kept
    return const_cast<Record&>(*std::as_const(*this).at(index));
  }

  Handler handler_;
  Serving how_;
  size_t kept_;
  testnet::Socket listenFd_ = testnet::kNoSocket;
  testnet::Waker stop_;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex m_;
  mutable std::condition_variable cv_;
  std::deque<Record> records_;  // of connections first_ and on
  int first_ = 0;
  int served_ = 0;  // connections whose handler is done
  std::vector<std::thread> workers_;
  std::thread acceptThread_;
};

// A port on 127.0.0.1 that nothing listens on (bound and released at once).
uint16_t LoopbackRefusedPort();

// A listener whose accept queue is kept full: further connects hang until they time out.
class LoopbackBlackHole {
 public:
  LoopbackBlackHole();
  ~LoopbackBlackHole();
  LoopbackBlackHole(const LoopbackBlackHole&) = delete;
  uint16_t port() const { return port_; }

 private:
  testnet::LibraryRef lib_;
  testnet::Socket listenFd_ = testnet::kNoSocket;
  std::vector<testnet::Socket> fillers_;
  uint16_t port_ = 0;
};
