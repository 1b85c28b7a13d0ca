// Scripts of the loopback test server (tests/support/Loopback.h) that the tests share.
//
// LoopbackReplies records the exact bytes of each request and answers each connection
// with the next queued reply, one connection after another; no reply queued (or an
// empty one) closes without a word. After the reply it half-closes (or, queued with
// replyAndHold, stays silent) and keeps recording until the client closes, so a request
// holds every byte the client sent.
//
// LoopbackGate holds each request at a gate: it answers once the test opens the gate
// (open()) or at once (openAlways), with the current reply text, or a reset, or it hangs
// up at accept. accepted() counts the connections that got that far, so a test can wait
// until a poll is really in flight.
//
// LoopbackChaos answers each connection as the test queued for it: 200, 404, a reset, a
// short delay and then 200, a silence, a header trickled one byte at a time, or an
// endless one. One connection at a time, so a run of tens of thousands of polls holds
// one connection and one thread. The modes that never end on their own call the test's
// onStall hook while they wait, where the test advances its manual clock so that the
// client's time-out ends them; they stop when the client closes. A trickling mode
// stalls only once the client (in this process) has read what came, so the clock moves
// in step with the client however slowly it runs.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "tests/support/Loopback.h"

class LoopbackReplies : public LoopbackServer {
 public:
  // port 0: an ephemeral port. listening() tells whether the port could be had.
  explicit LoopbackReplies(uint16_t port = 0);
  ~LoopbackReplies() { stop(); }
  // Queues the answer for the next connection; with endlessChunk, that is sent after
  // bytes over and over until the client goes away.
  void reply(std::string bytes, std::string endlessChunk = {});
  // Queues an answer after which this side keeps the connection open until the client
  // closes it, as an HTTP/1.1 server that ignores the 1.0 request's close may do.
  void replyAndHold(std::string bytes);

 private:
  struct Reply {
    std::string bytes;
    std::string endlessChunk;
    bool hold = false;
  };
  void serve(LoopbackConn& conn);
  std::deque<Reply> replies_;
};

class LoopbackGate : public LoopbackServer {
 public:
  // What a connection gets before its request is read: nothing special, a close or a reset.
  enum class AtAccept { Serve, Close, Reset };
  LoopbackGate();
  ~LoopbackGate() { stop(); }

  void setReply(std::string bytes) {
    locked([&] { reply_ = std::move(bytes); });
  }
  void openAlways(bool on) {
    locked([&] { always_ = on; });
  }
  // Abort the connection (RST) instead of answering.
  void resetInsteadOfReply(bool on) {
    locked([&] { reset_ = on; });
  }
  void atAccept(AtAccept how) {
    locked([&] { atAccept_ = how; });
  }
  void open() {
    locked([&] { ++generation_; });
  }  // every waiting connection answers now
  int accepted() const;
  bool waitAccepted(int n, int timeoutMs = 10000) const;

 private:
  void serve(LoopbackConn& conn);
  std::string reply_ = "HTTP/1.0 200 OK\r\nServer: gate\r\n\r\n";
  bool always_ = true;
  bool reset_ = false;
  AtAccept atAccept_ = AtAccept::Serve;
  uint64_t generation_ = 0;
  int accepted_ = 0;
};

enum class Chaos {
  Ok,              // "200 OK" with a short header, then close
  NotFound,        // "404 Not Found", then close
  Reset,           // read the request, then an abortive close (RST)
  Delay,           // wait delayMs, then as Ok
  Hold,            // say nothing until the client gives up
  Trickle,         // the Ok header one byte per send, 1 ms apart, then close
  TrickleEndless,  // a status line that never ends, one byte per send
  EndlessBody,     // the Ok header, then body bytes at full speed until the client goes
  EndlessHeader,   // a status line, then whole header lines, one per stall (1000 at most)
};

class LoopbackChaos : public LoopbackServer {
 public:
  LoopbackChaos();
  ~LoopbackChaos();
  // A port held bound but not listening, so every connect to it is refused, and no
  // other program can take it while the server lives.
  std::string refusedAddress() const { return "127.0.0.1:" + std::to_string(refusedPort_); }
  // The behaviour of the next connection; without one queued a connection gets Ok.
  void next(Chaos mode, int delayMs = 0) {
    locked([&] { orders_.push_back({mode, delayMs}); });
  }
  // Runs on the server thread while a never-ending mode waits (about every 5 ms, after
  // each trickled byte or header line, after each MiB of endless body). Set before polling.
  std::function<void()> onStall;
  // The header every Ok-like answer sends.
  static const std::string& okHeader();

 private:
  struct Order {
    Chaos mode;
    int delayMs;
  };
  void serve(LoopbackConn& conn);
  void play(LoopbackConn& conn, Order order);
  bool gone(LoopbackConn& conn, int waitMs);  // true once the client has closed
  bool stallWhenRead(LoopbackConn& conn, testnet::Socket client);
  void trickle(LoopbackConn& conn, const std::string& bytes, bool endless);
  void endlessHeader(LoopbackConn& conn);
  void endlessBody(LoopbackConn& conn);
  void finish(LoopbackConn& conn);  // half-close, let the client read it all, close
  void stall() {
    if (onStall) onStall();
  }

  testnet::Socket refusedFd_ = testnet::kNoSocket;
  uint16_t refusedPort_ = 0;
  std::deque<Order> orders_;
};
