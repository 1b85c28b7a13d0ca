// The shared scripts of the loopback test server: queued replies, the gate, the chaos.
#include "tests/support/LoopbackScripts.h"

#include <chrono>

namespace {

constexpr int kIdleLimitMs = 20000;   // a client silent for this long is dropped
constexpr int kGateLimitMs = 600000;  // past any test's own bound
constexpr size_t kMiB = 1024 * 1024;

bool timeUp(std::chrono::steady_clock::time_point end) {
  return std::chrono::steady_clock::now() > end;
}

}  // namespace

// ---- queued replies ----

LoopbackReplies::LoopbackReplies(uint16_t port) : LoopbackServer(Serving::OneByOne, port) {
  start([this](LoopbackConn& c) { serve(c); });
}

void LoopbackReplies::reply(std::string bytes, std::string endlessChunk) {
  locked([&] { replies_.push_back(Reply{std::move(bytes), std::move(endlessChunk)}); });
}

void LoopbackReplies::replyAndHold(std::string bytes) {
  locked([&] { replies_.push_back(Reply{std::move(bytes), {}, true}); });
}

void LoopbackReplies::serve(LoopbackConn& conn) {
  const bool whole = !conn.readRequest(kIdleLimitMs).empty();
  Reply r;
  locked([&] {
    if (replies_.empty()) return;
    r = std::move(replies_.front());
    replies_.pop_front();
  });
  if (whole && conn.send(r.bytes)) {
    while (!r.endlessChunk.empty() && conn.send(r.endlessChunk)) {
    }
  }
  if (!r.hold) conn.shutdownSend();
  if (whole) conn.waitPeerClose(kIdleLimitMs);
  conn.close();
}

// ---- the gate ----

LoopbackGate::LoopbackGate() : LoopbackServer(Serving::Concurrently, 0) {
  start([this](LoopbackConn& c) { serve(c); });
}

int LoopbackGate::accepted() const {
  int n = 0;
  locked([&] { n = accepted_; });
  return n;
}

bool LoopbackGate::waitAccepted(int n, int timeoutMs) const {
  return waitFor([&] { return accepted_ >= n; }, timeoutMs);
}

void LoopbackGate::serve(LoopbackConn& conn) {
  AtAccept at = AtAccept::Serve;
  locked([&] { at = atAccept_; });
  if (at == AtAccept::Serve) conn.readRequest();
  uint64_t generation = 0;
  locked([&] {
    ++accepted_;
    generation = generation_;
  });
  if (at != AtAccept::Serve) return at == AtAccept::Reset ? conn.reset() : conn.close();
  waitFor([&] { return always_ || generation_ != generation; }, kGateLimitMs);
  std::string reply;
  bool reset = false;
  locked([&] {
    reply = reply_;
    reset = reset_;
  });
  if (reset) return conn.reset();
  conn.send(reply);
  conn.shutdownSend();  // then the server reads until the client closes
}

// ---- the chaos ----

const std::string& LoopbackChaos::okHeader() {
  static const std::string h = "HTTP/1.0 200 OK\r\nServer: chaos\r\n\r\n";
  return h;
}

LoopbackChaos::LoopbackChaos() : LoopbackServer(Serving::OneByOne, 0, 1) {
  refusedFd_ = testnet::listenLoopback(refusedPort_, testnet::kBindOnly);
  start([this](LoopbackConn& c) { serve(c); });
}

LoopbackChaos::~LoopbackChaos() {
  stop();
  testnet::closeSocket(refusedFd_);
}

void LoopbackChaos::serve(LoopbackConn& conn) {
  Order order{Chaos::Ok, 0};
  locked([&] {
    if (orders_.empty()) return;
    order = orders_.front();
    orders_.pop_front();
  });
  testnet::setNoDelay(conn.socket());  // one byte a send must go out as one
  if (!conn.readRequest().empty()) play(conn, order);
  conn.close();
}

void LoopbackChaos::play(LoopbackConn& conn, Order order) {
  switch (order.mode) {
    case Chaos::Delay:
      if (gone(conn, order.delayMs)) return;
      [[fallthrough]];
    case Chaos::Ok:
      conn.send(okHeader());
      return finish(conn);
    case Chaos::NotFound:
      conn.send("HTTP/1.0 404 Not Found\r\n\r\n");
      return finish(conn);
    case Chaos::Reset:
      return conn.reset();
    case Chaos::Hold:
      while (!gone(conn, 5)) stall();
      return;
    case Chaos::Trickle:
      return trickle(conn, okHeader(), false);
    case Chaos::TrickleEndless:
      return trickle(conn, "HTTP/1.0 200 ", true);
    case Chaos::EndlessBody:
      return endlessBody(conn);
    case Chaos::EndlessHeader:
      return endlessHeader(conn);
  }
}

bool LoopbackChaos::gone(LoopbackConn& conn, int waitMs) {
  return conn.waitPeerClose(waitMs) || conn.stopping();
}

void LoopbackChaos::finish(LoopbackConn& conn) {
  conn.shutdownSend();
  conn.waitPeerClose(2000);
}

// Waits (bounded) until the client has taken in everything sent, then stalls: a server
// that ran ahead of a slow client would move the test's clock past the client's
// time-out by more than one step. False once the client has closed.
bool LoopbackChaos::stallWhenRead(LoopbackConn& conn, testnet::Socket client) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (testnet::unreadBytes(client) > 0)
    if (gone(conn, 1) || timeUp(end)) return false;
  stall();
  return !gone(conn, 1);
}

void LoopbackChaos::trickle(LoopbackConn& conn, const std::string& bytes, bool endless) {
  const testnet::Socket client = endless ? testnet::localPeerOf(conn.socket()) : testnet::kNoSocket;
  for (size_t i = 0; endless || i < bytes.size(); ++i) {
    if (!conn.send(std::string(1, i < bytes.size() ? bytes[i] : 'x'))) return;
    if (endless ? !stallWhenRead(conn, client) : gone(conn, 1)) return;
  }
  finish(conn);
}

void LoopbackChaos::endlessHeader(LoopbackConn& conn) {
  if (!conn.send("HTTP/1.0 200 OK\r\n")) return;
  const testnet::Socket client = testnet::localPeerOf(conn.socket());
  for (int i = 0; i < 1000; ++i)
    if (!conn.send("X-Line: " + std::to_string(i) + "\r\n") || !stallWhenRead(conn, client)) return;
  finish(conn);
}

void LoopbackChaos::endlessBody(LoopbackConn& conn) {
  // The header and the first bytes of the body in one send: a HEAD answer whose header
  // came alone with nothing after it would be complete at once.
  const std::string chunk(64 * 1024, 'b');
  if (!conn.send(okHeader() + chunk)) return;
  for (size_t sinceStall = chunk.size(); conn.send(chunk);) {
    sinceStall += chunk.size();
    if (sinceStall < kMiB) continue;
    sinceStall = 0;
    stall();
  }
}
