// A main-window fixture with a loopback server that can hold requests, and a helper
// thread that acts on the GUI thread once the server holds a number of them.
#pragma once

#include <functional>
#include <thread>

#include "tests/support/LoopbackScripts.h"

template <class Base>
class GateFixture : public Base {
 protected:
  LoopbackGate gate_;
  std::thread helper_;
  void TearDown() override {
    gate_.open();
    if (helper_.joinable()) helper_.join();
    Base::TearDown();
  }
  // Runs f on the GUI thread once the server holds n requests.
  void WhenRequested(int n, std::function<void()> f) {
    helper_ = std::thread([this, n, f] {
      gate_.waitAccepted(n);
      this->OnGui(f);
    });
  }
};
