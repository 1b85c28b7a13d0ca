// Shared pieces of the socket-layer tests: a client whose internal flags are visible
// and a recorder of the client's events in the order they happen. Every address here
// is dotted (127.0.0.1), so nothing is looked up; tests of name lookups use the host
// table of SocketHostTable.h (Linux only).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Classes.h"
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

inline uint32_t Loopback127() { return htonl(0x7f000001); }

// Past every bounded wait of these tests (10 s), so those report their own failure
// first; a test stuck inside the client's own pump ends the run here instead.
inline const bool kSocketTestsHangWatch = (FailTestsThatHang(20000), true);

class SocketTest : public ::testing::Test {
 protected:
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

  std::vector<std::string> events;
};
