// Loopback test servers on 127.0.0.1 (ephemeral ports), for the socket, HTTP and app
// tests.
//
// LoopbackServer accepts connections on a thread of its own and runs the test's
// handler for each one on its own thread. The handler talks through LoopbackConn:
// send, read (everything read is recorded per connection), delay, close, reset (RST),
// stay silent. Every wait is bounded and ends early when the server stops, so a
// test never hangs on its server. When the handler returns without closing, the
// server keeps reading (and recording) until the client closes.
//
// LoopbackRefusedPort gives a port nothing listens on; LoopbackBlackHole a port whose
// accept queue is full, so a connect to it neither succeeds nor fails.
//
// They talk to the system's sockets through tests/support/TestNet.h, not through the
// program's platform, so the servers are the same on Linux and Windows.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestNet.h"

class LoopbackServer;

class LoopbackConn {
 public:
  void send(const std::string& bytes);
  // Reads until the recorded input ends with terminator (or holds it); returns all
  // the bytes read by this call. Empty on time-out, peer close or stop.
  std::string readUntil(const std::string& terminator, int timeoutMs = 10000);
  std::string readBytes(size_t count, int timeoutMs = 10000);
  std::string readSome(int timeoutMs = 10000);  // what one read gives
  bool waitPeerClose(int timeoutMs = 10000);    // reads (recording) until EOF
  void delay(int ms);                           // ends early when the server stops
  void close();                                 // graceful: FIN
  void reset();                                 // abortive: RST
  void shutdownSend();                          // half-close: FIN, keep reading
  void hold();  // stay silent until the client closes or the server stops
  bool closed() const { return fd_ == testnet::kNoSocket; }
  bool peerReset() const { return peerReset_; }  // the client's end came as a reset (RST)
  bool stopping() const;

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
  explicit LoopbackServer(Handler handler);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  uint16_t port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  int connections() const;
  bool waitConnections(int n, int timeoutMs = 10000) const;
  std::string received(int index = 0) const;  // bytes the client sent on connection index
  bool waitReceived(int index, size_t bytes, int timeoutMs = 10000) const;
  bool waitFinished(int index, int timeoutMs = 10000) const;  // its handler is done
  void stop();

 private:
  friend class LoopbackConn;
  void acceptLoop();
  void serve(testnet::Socket fd, int index);
  void record(int index, const char* data, size_t n);
  bool waitFor(const std::function<bool()>& pred, int timeoutMs) const;

  Handler handler_;
  testnet::Socket listenFd_ = testnet::kNoSocket;
  testnet::Waker stop_;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex m_;
  mutable std::condition_variable cv_;
  std::vector<std::string> received_;
  std::vector<bool> finished_;
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
