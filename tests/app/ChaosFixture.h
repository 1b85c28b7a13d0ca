// A started main window and a chaos script of the loopback server for it to poll. The
// server goes first at tear-down: its stall hook uses the clock the fixture frees.
#pragma once

#include <memory>

#include "tests/app/AppFixture.h"
#include "tests/support/LoopbackScripts.h"

class ChaosTest : public AppTest {
 protected:
  std::unique_ptr<LoopbackChaos> server_ = std::make_unique<LoopbackChaos>();
  void SetUp() override {
    AppTest::SetUp();
    StartApp();
  }
  void TearDown() override {
    server_.reset();
    AppTest::TearDown();
  }
};
