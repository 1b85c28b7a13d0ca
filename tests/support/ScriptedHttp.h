// ScriptedHttpServer: an HTTP-level test server on 127.0.0.1 that records the exact bytes
// of each request and answers each connection with the next scripted reply.
//
// Per connection it reads the request header (up to the blank line) and as many body
// bytes as a Content-Length line announces, sends the reply, half-closes, and keeps
// recording until the client closes, so a request holds every byte the client sent.
// No reply queued (or an empty one): the connection is closed without a word.
// Runs on a thread of its own; the test thread stays free to pump messages.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestNet.h"

struct ScriptedReply {
  std::string bytes;
  // After bytes: send endlessChunk over and over until the client goes away.
  std::string endlessChunk;
};

class ScriptedHttpServer {
 public:
  // port 0: an ephemeral port. bindOk() tells whether the port could be had.
  explicit ScriptedHttpServer(uint16_t port = 0);
  ~ScriptedHttpServer();
  ScriptedHttpServer(const ScriptedHttpServer&) = delete;
  ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

  bool bindOk() const { return listenFd_ != testnet::kNoSocket; }
  uint16_t port() const { return port_; }
  std::string portText() const { return std::to_string(port_); }

  void reply(std::string bytes);  // queue the answer for the next connection
  void replyEndless(std::string head, std::string chunk);
  // Requests of finished connections, oldest first.
  std::vector<std::string> requests();
  // Waits (bounded) until n connections have finished; false on time-out.
  bool waitRequests(size_t n, int timeoutMs = 10000);

 private:
  void run();
  void serve(testnet::Socket fd);

  testnet::Socket listenFd_ = testnet::kNoSocket;
  testnet::Waker stop_;
  uint16_t port_ = 0;
  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<ScriptedReply> replies_;
  std::vector<std::string> requests_;
  std::thread thread_;
};
