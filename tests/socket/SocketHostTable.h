// Name lookups for the socket tests through the Linux platform's resolver seam: a
// table of the names a test may look up (never DNS), and a fixture that installs it.
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/posix/Seams.h"
#include "tests/socket/SocketFixture.h"

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

class SocketLookupTest : public SocketTest {
 protected:
  void SetUp() override { hosts.install(); }
  void TearDown() override { HostTable::uninstall(); }

  HostTable hosts;
};
