// Shared pieces of the socket-layer tests: a client whose internal flags are visible,
// a host table answered through the resolver seam (never DNS), and a recorder of the
// client's events in the order they happen.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "platform/posix/Seams.h"
#include "socket/SocketClient.h"
#include "tests/support/Loopback.h"
#include "tests/support/LoopbackPump.h"

class ProbeClient : public TSocketClient {
 public:
  using TSocketClient::Buffer;
  using TSocketClient::Canceled;
  using TSocketClient::Connected;
  using TSocketClient::DataAvailable;
  using TSocketClient::Succeeded;
  using TSocketClient::TimedOut;
  using TSocketClient::TimerOn;
  using TSocketClient::TSocketClient;
  using TSocketClient::WaitDone;
};

// Names the tests may look up; everything else is "not found" (11001).
class HostTable {
 public:
  void add(const std::string& name, uint32_t addrNet, int delayMs = 0) {
    std::lock_guard<std::mutex> lock(m_);
    hosts_[name] = {addrNet, 0, delayMs};
  }
  void fail(const std::string& name, int error, int delayMs = 0) {
    std::lock_guard<std::mutex> lock(m_);
    hosts_[name] = {0, error, delayMs};
  }
  int lookups(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_);
    return counts_[name];
  }
  int totalLookups() {
    std::lock_guard<std::mutex> lock(m_);
    int n = 0;
    for (auto& [k, v] : counts_) n += v;
    return n;
  }
  void install() {
    posix::setResolver([this](const std::string& name) {
      std::lock_guard<std::mutex> lock(m_);
      ++counts_[name];
      auto it = hosts_.find(name);
      if (it == hosts_.end()) return posix::ResolveAnswer{0, 11001, 0};
      return it->second;
    });
  }
  // Leaves a resolver that refuses everything, so no test can ever reach DNS.
  static void uninstall() {
    posix::setResolver([](const std::string&) { return posix::ResolveAnswer{0, 11001, 0}; });
  }

 private:
  std::mutex m_;
  std::map<std::string, posix::ResolveAnswer> hosts_;
  std::map<std::string, int> counts_;
};

inline uint32_t Loopback127() { return htonl(0x7f000001); }

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override { hosts.install(); }
  void TearDown() override { HostTable::uninstall(); }

  TOwnedPtr<ProbeClient> makeClient(const std::string& host, uint16_t port, int timeoutMs = 10000) {
    TOwnedPtr<ProbeClient> c(TComponent::Create<ProbeClient>(nullptr));
    c->Host = host;
    c->Port = port;
    c->TimeOut = timeoutMs;
    c->OnConnect = [this](TObject*) { events.push_back("OnConnect"); };
    c->OnDisconnect = [this](TObject*) { events.push_back("OnDisconnect"); };
    c->OnConnectionFailed = [this](TObject*) { events.push_back("OnConnectionFailed"); };
    c->OnHostResolved = [this](TObject*) { events.push_back("OnHostResolved"); };
    return c;
  }

  // Runs op and returns the message of the exception it raised ("" when none).
  template <class F>
  static std::string errorOf(F&& op) {
    try {
      op();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }

  HostTable hosts;
  std::vector<std::string> events;
};
