// The high-resolution timer: multimedia and worker modes, limits, and destruction.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "framework/Forms.h"
#include "platform/posix/Seams.h"
#include "tray/HiTimer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Pumps messages until cond holds or the generous bound passes.
template <class F>
bool PumpUntil(F cond, int boundMs = 5000) {
  auto end = Clock::now() + std::chrono::milliseconds(boundMs);
  while (!cond()) {
    if (Clock::now() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  return true;
}

class HiTimerTest : public ::testing::Test {
 protected:
  void SetUp() override { Application->Initialize(); }
};

TEST_F(HiTimerTest, DefaultsAndSupportedPeriods) {
  TOwnedPtr<THiTimer> t(TComponent::Create<THiTimer>(nullptr));
  EXPECT_FALSE(t->Enabled());
  EXPECT_EQ(t->Interval(), 1000u);
  EXPECT_TRUE(t->UseThread());
  EXPECT_TRUE(t->Synchronize);
  EXPECT_EQ(t->ThreadPriority(), tpNormal);
  EXPECT_LE(t->MinPeriod(), t->MaxPeriod());
}

TEST_F(HiTimerTest, IntervalIsKeptWithinTheSupportedPeriods) {
  TOwnedPtr<THiTimer> t(TComponent::Create<THiTimer>(nullptr));
  t->SetInterval(0);
  EXPECT_EQ(t->Interval(), t->MinPeriod());
  t->SetInterval(0xFFFFFFFFu);
  EXPECT_EQ(t->Interval(), t->MaxPeriod());
}

TEST_F(HiTimerTest, MultimediaTicksArriveOnTheGuiThread) {
  TOwnedPtr<THiTimer> t(TComponent::Create<THiTimer>(nullptr));
  const auto gui = std::this_thread::get_id();
  int ticks = 0;
  bool onGui = true;
  t->SetUseThread(false);
  t->SetInterval(5);
  t->SetOnTimer([&](TObject* s) {
    EXPECT_EQ(s, t.get());
    onGui = onGui && std::this_thread::get_id() == gui;
    ++ticks;
  });
  t->SetEnabled(true);
  ASSERT_NE(t->TimerID(), 0u);
  ASSERT_NE(t->WindowHandle(), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_TRUE(onGui);
}

TEST_F(HiTimerTest, DestroyedMultimediaTimerDeliversNoTick) {
  auto ticks = std::make_shared<int>(0);
  TOwnedPtr<THiTimer> t(TComponent::Create<THiTimer>(nullptr));
  t->SetUseThread(false);
  t->SetInterval(2);
  t->SetOnTimer([ticks](TObject*) { ++*ticks; });
  t->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return *ticks >= 1; }));
  // Let ticks pile up in the queue unhandled, then destroy the timer before they run.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  int before = *ticks;
  t.reset();
  auto end = Clock::now() + std::chrono::milliseconds(60);
  while (Clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  EXPECT_EQ(*ticks, before);
}

TEST_F(HiTimerTest, RaisingTickStopsFurtherTicksUntilASettingChanges) {
  TOwnedPtr<THiTimer> t(TComponent::Create<THiTimer>(nullptr));
  int ticks = 0;
  std::vector<std::string> boxes;
  posix::setDialogResponder([&](posix::DialogRequest& r) {
    boxes.push_back(r.text);
    r.result = IDOK;
    r.done = true;
  });
  t->SetUseThread(false);
  t->SetInterval(2);
  t->SetOnTimer([&](TObject*) {
    ++ticks;
    throw Exception("tick failed");
  });
  t->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  Application->ProcessMessages();
  EXPECT_EQ(ticks, 1);
  ASSERT_EQ(boxes.size(), 1u);  // the standard error box, once
  EXPECT_NE(boxes[0].find("tick failed"), std::string::npos);
  t->SetInterval(3);  // a change restarts the timer and clears the guard
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  posix::setDialogResponder(nullptr);
}

TEST_F(HiTimerTest, WorkerTicksAreSynchronisedToTheGuiThread) {
  TOwnedPtr<THiTimer> t(TComponent::Create<THiTimer>(nullptr));
  const auto gui = std::this_thread::get_id();
  int ticks = 0;
  bool onGui = true;
  t->SetInterval(5);
  t->SetOnTimer([&](TObject*) {
    onGui = onGui && std::this_thread::get_id() == gui;
    ++ticks;
  });
  t->SetEnabled(true);
  EXPECT_TRUE(t->HasWorker());
  EXPECT_EQ(t->WindowHandle(), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_TRUE(onGui);
}

TEST_F(HiTimerTest, DestroyedWorkerTimerDeliversNoTick) {
  auto ticks = std::make_shared<std::atomic<int>>(0);
  TOwnedPtr<THiTimer> t(TComponent::Create<THiTimer>(nullptr));
  t->Synchronize = false;
  t->SetInterval(1);
  t->SetOnTimer([ticks](TObject*) { ++*ticks; });
  t->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return *ticks >= 2; }));
  t.reset();
  int after = *ticks;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(*ticks, after);
}

}  // namespace
