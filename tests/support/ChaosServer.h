// ChaosServer: a loopback HTTP server on 127.0.0.1 that answers each connection in
// the way the test queued for it: 200, 404, a reset, a short delay and then 200, a
// silence, a header trickled one byte at a time, or an endless body.
//
// Connections are served one after another on one thread, so a server that runs
// for tens of thousands of polls holds no more than one connection and one thread.
// The modes that never end on their own (silence, endless trickle, endless body)
// call the test's onStall hook while they wait, where the test advances its manual
// clock so that the client's time-out ends them; they stop when the client closes.
// A trickling mode stalls only once the client (in this process) has read what came,
// so the clock moves in step with the client however slowly it runs.
// Every wait is bounded and ends early when the server stops.
//
// Linux only: it uses the BSD socket calls directly, not the program's platform.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

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

class ChaosServer {
 public:
  ChaosServer();
  ~ChaosServer();
  ChaosServer(const ChaosServer&) = delete;
  ChaosServer& operator=(const ChaosServer&) = delete;

  uint16_t port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  // A port held bound but not listening, so every connect to it is refused, and no
  // other program can take it while the server lives.
  std::string refusedAddress() const { return "127.0.0.1:" + std::to_string(refusedPort_); }

  // The behaviour of the next connection; without one queued a connection gets Ok.
  void next(Chaos mode, int delayMs = 0);
  // Runs on the server thread while a never-ending mode waits (about every 5 ms,
  // after each trickled byte or header line, after each MiB of endless body). Set before polling.
  std::function<void()> onStall;

  // The header every Ok-like answer sends.
  static const std::string& okHeader();

  int finished() const;  // connections served and closed on this side
  bool waitFinished(int n, int timeoutMs = 10000) const;
  uint64_t lastBytesSent() const;  // what the last finished connection was sent

 private:
  struct Order {
    Chaos mode;
    int delayMs;
  };
  void run();
  void serve(int fd);
  bool readRequest(int fd);
  bool sendAll(int fd, const char* data, size_t n);
  bool peerClosed(int fd, int waitMs);  // true once the client has closed
  void hold(int fd);
  void trickle(int fd, const std::string& bytes, bool endless);
  void endlessHeader(int fd);
  void endlessBody(int fd);
  void stall();
  bool stallWhenRead(int fd, int clientFd);  // false once the client has closed

  int listenFd_ = -1;
  int refusedFd_ = -1;
  uint16_t refusedPort_ = 0;
  int stopPipe_[2] = {-1, -1};
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mu_;
  mutable std::condition_variable cv_;
  std::deque<Order> orders_;
  int finished_ = 0;
  uint64_t sent_ = 0, lastSent_ = 0;
  std::thread thread_;
};
