// The timer component's setters on the platform's manual clock (Linux only).
// Linux only: drives the platform through its test seams.
#ifndef _WIN32
#include <gtest/gtest.h>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "platform/posix/Seams.h"

namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    posix::setClock(&clock_);
    timer_ = TComponent::Create<TTimer>(nullptr);
  }
  void TearDown() override {
    timer_->Free();
    posix::setClock(nullptr);
    posix::setDialogResponder(nullptr);
  }
  void Advance(int ms) {
    clock_.advance(ms);
    Application->ProcessMessages();
  }
  posix::ManualClock clock_{0};
  TTimer* timer_ = nullptr;
  int ticks_ = 0;
};

TEST_F(TimerTest, RunsOnlyWithEnabledIntervalAndHandler) {
  timer_->SetInterval(1000);
  Advance(5000);
  EXPECT_EQ(ticks_, 0);  // no handler yet
  timer_->SetOnTimer([this](TObject* s) {
    EXPECT_EQ(s, timer_);
    ++ticks_;
  });
  Advance(999);
  EXPECT_EQ(ticks_, 0);
  Advance(1);
  EXPECT_EQ(ticks_, 1);
  Advance(1000);
  EXPECT_EQ(ticks_, 2);
  timer_->SetEnabled(false);
  Advance(3000);
  EXPECT_EQ(ticks_, 2);
}

TEST_F(TimerTest, SameValueKeepsTheRhythmAndNewValueRestartsIt) {
  timer_->SetEnabled(false);
  timer_->SetInterval(1000);
  timer_->SetOnTimer([this](TObject*) { ++ticks_; });
  timer_->SetEnabled(true);
  Advance(600);
  timer_->SetInterval(1000);  // unchanged: no restart
  timer_->SetEnabled(true);
  Advance(400);
  EXPECT_EQ(ticks_, 1);
  Advance(600);
  timer_->SetInterval(2000);  // changed: counts from now
  Advance(1900);
  EXPECT_EQ(ticks_, 1);
  Advance(100);
  EXPECT_EQ(ticks_, 2);
}

TEST_F(TimerTest, ErrorsInOnTimerGoToTheStandardBox) {
  std::vector<std::string> boxes;
  posix::setDialogResponder([&](posix::DialogRequest& req) {
    boxes.push_back(req.text);
    req.result = IDOK;
    req.done = true;
  });
  timer_->SetInterval(100);
  timer_->SetOnTimer([](TObject*) { throw Exception("tick failed"); });
  Advance(100);
  EXPECT_EQ(boxes, (std::vector<std::string>{"tick failed"}));
  Advance(100);
  EXPECT_EQ(boxes.size(), 2u);  // the timer keeps running
}

// The handler runs from a copy: replacing or clearing OnTimer during its own tick
// frees the stored function, and the running one still reads its captures (a
// use-after-free under AddressSanitizer before).
TEST_F(TimerTest, AHandlerMayReplaceOrClearItself) {
  std::vector<std::string> seen;
  const std::string second(40, 'b');  // long enough to live on the heap
  timer_->SetInterval(100);
  timer_->SetOnTimer([this, &seen, first = std::string(40, 'a'), second](TObject*) {
    timer_->SetOnTimer([this, &seen, second](TObject*) {
      timer_->SetOnTimer(nullptr);
      seen.push_back(second);
    });
    seen.push_back(first);
  });
  for (int i = 0; i < 3; ++i) Advance(100);
  EXPECT_EQ(seen, (std::vector<std::string>{std::string(40, 'a'), second}));
}

}  // namespace

#endif  // _WIN32
