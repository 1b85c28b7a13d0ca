// The message queue on the manual clock: timer deadlines, re-arming and coalescing,
// killing a timer in its tick, timer procedures, and a clock move waking the loop.
#include <gtest/gtest.h>

#include <thread>

#include "platform/posix/Seams.h"
#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::drainMessages;
using testsupport::MessageRecorder;

namespace {

class ClockedQueue : public ::testing::Test {
 protected:
  void SetUp() override {
    drainMessages();
    posix::setClock(&clock);
  }
  void TearDown() override {
    drainMessages();
    posix::setClock(nullptr);
  }
  posix::ManualClock clock{0};
  MessageRecorder rec;
};

TEST_F(ClockedQueue, TicksAreCoalescedWhenSeveralPeriodsPassed) {
  HWND h = rec.create("q");
  SetTimer(h, 7, 1000, nullptr);
  clock.advance(999);
  rec.clear();
  drainMessages();
  EXPECT_TRUE(rec.messages(h).empty());  // nothing before the deadline
  clock.advance(3500);
  drainMessages();
  ASSERT_EQ(rec.messages(h), std::vector<UINT>{WM_TIMER});
  EXPECT_EQ(rec.log[0].wp, 7u);
  // The schedule goes on: next tick at 5000.
  clock.advance(500);
  drainMessages();
  EXPECT_EQ(rec.messages(h).size(), 1u);
  clock.advance(1);
  drainMessages();
  EXPECT_EQ(rec.messages(h).size(), 2u);
}

TEST_F(ClockedQueue, SetTimerAgainReArmsFromNow) {
  HWND h = rec.create("q");
  SetTimer(h, 1, 1000, nullptr);
  clock.advance(900);
  SetTimer(h, 1, 1000, nullptr);
  clock.advance(900);
  rec.clear();
  drainMessages();
  EXPECT_TRUE(rec.messages(h).empty());
  clock.advance(100);
  drainMessages();
  EXPECT_EQ(rec.messages(h), std::vector<UINT>{WM_TIMER});
}

TEST_F(ClockedQueue, KillTimerInsideItsOwnTickStopsIt) {
  HWND h = rec.create("q");
  int ticks = 0;
  rec.handler = [&](HWND hw, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_TIMER) {
      ++ticks;
      EXPECT_TRUE(KillTimer(hw, w));
    }
    return std::nullopt;
  };
  SetTimer(h, 3, 50, nullptr);
  for (int i = 0; i < 3; ++i) {
    clock.advance(50);
    drainMessages();
  }
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(KillTimer(h, 3));
}

TEST_F(ClockedQueue, TimersOfADestroyedWindowDie) {
  HWND h = rec.create("q");
  SetTimer(h, 1, 10, nullptr);
  DestroyWindow(h);
  clock.advance(100);
  EXPECT_EQ(drainMessages(), 0);
}

std::vector<UINT_PTR> gProcTicks;
void CALLBACK timerProc(HWND, UINT, UINT_PTR id, DWORD) { gProcTicks.push_back(id); }

TEST_F(ClockedQueue, TimerProcIsCalledByDispatch) {
  gProcTicks.clear();
  UINT_PTR id = SetTimer(nullptr, 0, 20, timerProc);
  ASSERT_NE(id, 0u);
  clock.advance(20);
  drainMessages();
  EXPECT_EQ(gProcTicks, std::vector<UINT_PTR>{id});
  KillTimer(nullptr, id);
}

TEST_F(ClockedQueue, ManualClockAdvanceWakesAWaitingLoopForATimer) {
  HWND h = rec.create("timer");
  SetTimer(h, 1, 60000, nullptr);
  std::thread t([this] { clock.advance(60000); });
  MSG m;
  ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  t.join();
  KillTimer(h, 1);
}

}  // namespace
