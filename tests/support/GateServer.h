// GateServer: a loopback HTTP server on 127.0.0.1 whose answers wait at a gate.
//
// Each connection's request header is read and recorded; the connection then
// waits until the test opens the gate (open()) or the server was told to answer at
// once (openAlways). The reply is the current reply text, then the connection is
// closed. accepted() counts connections whose request arrived, so a test can wait
// until a poll is really in flight.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestNet.h"

class GateServer {
 public:
  // What a connection gets before its request is read: nothing special, a close or a reset.
  enum class AtAccept { Serve, Close, Reset };

  GateServer();
  ~GateServer();
  uint16_t port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

  void setReply(std::string bytes);
  void openAlways(bool on);           // answer every request at once
  void resetInsteadOfReply(bool on);  // abort the connection (RST) instead of answering
  void atAccept(AtAccept how);        // hang up on every new connection at once
  void open();                        // let every waiting connection answer now
  int accepted() const { return accepted_.load(); }
  bool waitAccepted(int n, int timeoutMs = 10000) const;
  std::vector<std::string> requests();

  // A loopback port with nothing listening on it.
  static uint16_t refusedPort();

 private:
  void run();
  void serve(testnet::Socket fd);

  testnet::Socket listenFd_ = testnet::kNoSocket;
  testnet::Waker stop_;
  uint16_t port_ = 0;
  std::mutex mu_;
  std::condition_variable cv_;
  std::string reply_ = "HTTP/1.0 200 OK\r\nServer: gate\r\n\r\n";
  bool always_ = true;
  bool reset_ = false;
  AtAccept atAccept_ = AtAccept::Serve;
  uint64_t generation_ = 0;
  bool stopping_ = false;
  std::vector<std::string> requests_;
  std::atomic<int> accepted_{0};
  std::vector<std::thread> workers_;
  std::thread thread_;
};
