// TThreadTimer's setter semantics and the hidden socket / timer windows, on a manual
// clock so that intervals take no real time.
#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/Forms.h"
#include "framework/WindowBinding.h"
#include "platform/posix/Seams.h"
#include "socket/SocketClient.h"
#include "socket/SocketWindows.h"
#include "socket/ThreadTimer.h"

namespace {

class ThreadTimerTest : public ::testing::Test {
 protected:
  void SetUp() override { posix::setClock(&clock); }
  void TearDown() override { posix::setClock(nullptr); }

  void drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  // Moves the clock in steps of 10 ms, pumping after each, as a running program would.
  void run(int ms) {
    for (int t = 0; t < ms; t += 10) {
      clock.advance(10);
      drain();
    }
  }
  TOwnedPtr<TThreadTimer> make() {
    TOwnedPtr<TThreadTimer> t(TComponent::Create<TThreadTimer>(nullptr));
    return t;
  }

  posix::ManualClock clock{0};
  int ticks = 0;
};

TEST_F(ThreadTimerTest, StartsEnabledWithOneSecondButDoesNotRun) {
  auto t = make();
  EXPECT_TRUE(t->Enabled());
  EXPECT_EQ(t->Interval(), 1000u);
  EXPECT_NE(t->WindowHandle(), nullptr);
  run(2000);
  EXPECT_EQ(ticks, 0);
}

TEST_F(ThreadTimerTest, RunsOnlyWithAllThreeConditions) {
  auto t = make();
  t->SetInterval(100);
  run(300);
  EXPECT_EQ(ticks, 0) << "no OnTimer";
  t->SetOnTimer([this](TObject*) { ++ticks; });
  run(300);
  EXPECT_EQ(ticks, 3);
  t->SetEnabled(false);
  run(300);
  EXPECT_EQ(ticks, 3);
  t->SetEnabled(true);
  t->SetInterval(0);
  run(300);
  EXPECT_EQ(ticks, 3) << "interval 0";
}

TEST_F(ThreadTimerTest, SettingTheCurrentValueDoesNotRestartTheCountdown) {
  auto t = make();
  t->SetInterval(100);
  t->SetOnTimer([this](TObject*) { ++ticks; });
  run(60);
  t->SetEnabled(true);  // already true
  t->SetInterval(100);  // already 100
  run(50);
  EXPECT_EQ(ticks, 1) << "the deadline stayed at 100 ms";
}

TEST_F(ThreadTimerTest, ChangingTheIntervalRestartsTheCountdown) {
  auto t = make();
  t->SetInterval(100);
  t->SetOnTimer([this](TObject*) { ++ticks; });
  run(60);
  t->SetInterval(90);
  run(60);
  EXPECT_EQ(ticks, 0);
  run(40);
  EXPECT_EQ(ticks, 1);
}

TEST_F(ThreadTimerTest, AssigningOnTimerAlwaysRestarts) {
  auto t = make();
  t->SetInterval(100);
  TNotifyEvent handler = [this](TObject*) { ++ticks; };
  t->SetOnTimer(handler);
  run(60);
  t->SetOnTimer(handler);
  run(60);
  EXPECT_EQ(ticks, 0);
  run(40);
  EXPECT_EQ(ticks, 1);
}

TEST_F(ThreadTimerTest, TickPassesTheTimerAsSender) {
  auto t = make();
  TObject* sender = nullptr;
  t->SetInterval(10);
  t->SetOnTimer([&](TObject* s) {
    sender = s;
    t->SetEnabled(false);
  });
  run(20);
  EXPECT_EQ(sender, t.get());
}

TEST_F(ThreadTimerTest, ExceptionFromOnTimerGoesToTheApplication) {
  auto t = make();
  std::string shown;
  Application->OnException = [&](TObject*, const std::exception& e) { shown = e.what(); };
  t->SetInterval(10);
  t->SetOnTimer([&](TObject*) {
    t->SetEnabled(false);
    throw Exception("tick failed");
  });
  run(20);
  Application->OnException = nullptr;
  EXPECT_EQ(shown, "tick failed");
}

TEST_F(ThreadTimerTest, TimerWindowAnswersActivateAppWithZero) {
  auto t = make();
  EXPECT_EQ(SendMessageA(t->WindowHandle(), WM_ACTIVATEAPP, 1, 0), 0);
  char name[64] = {};
  GetClassNameA(t->WindowHandle(), name, sizeof name);
  EXPECT_STREQ(name, "TmrWindowClass");
  EXPECT_FALSE(IsWindowVisible(t->WindowHandle()));
}

TEST(SocketWindow, WithoutOwnerGetsDefaultProcessingOnly) {
  HWND w = AllocateSocketWindow(nullptr);
  ASSERT_NE(w, nullptr);
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  EXPECT_STREQ(name, "SocketWindowClass");
  EXPECT_EQ(BoundObject(w), nullptr);
  EXPECT_EQ(SendMessageA(w, 1125, 0, MAKELPARAM(FD_CONNECT, 0)), 0);
  RECT r{};
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, 0);
  EXPECT_EQ(GetParent(w), nullptr);
  DestroyWindow(w);
}

TEST(SocketWindow, MessagesFrom1125OnReachTheOwner) {
  TOwnedPtr<TSocketClient> c(TComponent::Create<TSocketClient>(nullptr));
  bool connected = false;
  c->OnConnect = [&](TObject*) { connected = true; };
  HWND w = c->GetSocketWindow();
  EXPECT_EQ(BoundObject(w), c.get());
  SendMessageA(w, 1124, c->GetSocketHandle(), MAKELPARAM(FD_CONNECT, 0));
  EXPECT_FALSE(connected) << "below 1125: default processing";
  SendMessageA(w, 1125, c->GetSocketHandle(), MAKELPARAM(FD_CONNECT, 0));
  EXPECT_TRUE(connected);
  EXPECT_TRUE(c->IsConnected());
}

}  // namespace
