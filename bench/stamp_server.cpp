// The stamping loopback server of the whole-program benchmarks.
#include "bench/stamp_server.h"

#include <chrono>

#include "bench/proc_probe.h"

namespace {
const char kReply[] = "HTTP/1.0 200 OK\r\nServer: stamp\r\nContent-Length: 0\r\n\r\n";
}

StampServer::StampServer(int answerDelayMs) : delayMs_(answerDelayMs) {
  server_ = std::make_unique<LoopbackServer>([this](LoopbackConn& c) { serve(c); });
}

void StampServer::watch(pid_t pid) {
  std::lock_guard<std::mutex> lock(m_);
  pid_ = pid;
  cv_.notify_all();
}

void StampServer::serve(LoopbackConn& conn) {
  if (conn.readUntil("\r\n\r\n").empty()) return;
  double now = MonoMs();
  size_t index;
  pid_t pid;
  {
    // The request can only come from a process we have spawned; its pid may still be
    // on the way from fork to watch().
    std::unique_lock<std::mutex> lock(m_);
    cv_.wait_for(lock, std::chrono::seconds(5), [this] { return pid_ != 0; });
    pid = pid_;
  }
  RequestStamp s;
  s.arrivedMs = now;
  s.cpuAtArrivalMs = pid ? ProcessCpuMs(pid) : -1;
  {
    std::lock_guard<std::mutex> lock(m_);
    index = stamps_.size();
    stamps_.push_back(s);
    cv_.notify_all();
  }
  if (delayMs_ > 0) conn.delay(delayMs_);
  conn.send(kReply);
  conn.shutdownSend();
  conn.waitPeerClose();
  double closed = MonoMs();
  double cpu = pid ? ProcessCpuMs(pid) : -1;
  std::lock_guard<std::mutex> lock(m_);
  if (index < stamps_.size() && stamps_[index].arrivedMs == now) {
    stamps_[index].closedMs = closed;
    stamps_[index].cpuAtCloseMs = cpu;
  }
  cv_.notify_all();
}

bool StampServer::waitFor(size_t index, bool closed, int timeoutMs) {
  std::unique_lock<std::mutex> lock(m_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return index < stamps_.size() && (!closed || stamps_[index].closedMs > 0);
  });
}

bool StampServer::waitArrival(size_t index, int timeoutMs) {
  return waitFor(index, false, timeoutMs);
}

bool StampServer::waitClosed(size_t index, int timeoutMs) {
  return waitFor(index, true, timeoutMs);
}

RequestStamp StampServer::stamp(size_t index) {
  std::lock_guard<std::mutex> lock(m_);
  return index < stamps_.size() ? stamps_[index] : RequestStamp{};
}

size_t StampServer::count() {
  std::lock_guard<std::mutex> lock(m_);
  return stamps_.size();
}

void StampServer::reset() {
  std::lock_guard<std::mutex> lock(m_);
  stamps_.clear();
  pid_ = 0;
}
