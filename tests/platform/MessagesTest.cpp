// The message queue: posted order, WM_TIMER only on an empty queue, timer
// re-arming and coalescing, cross-thread posts, quit, and re-entrant pumps.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/posix/Seams.h"
#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::drainMessages;
using testsupport::MessageRecorder;

namespace {

class Queue : public ::testing::Test {
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
  const std::set<UINT> created = {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE};
};

TEST_F(Queue, PostedMessagesComeInOrderAndTimersOnlyWhenTheQueueIsEmpty) {
  HWND h = rec.create("q");
  SetTimer(h, 1, 100, nullptr);
  clock.advance(100);
  PostMessageA(h, WM_USER + 1, 0, 0);
  PostMessageA(h, WM_USER + 2, 0, 0);
  rec.clear();
  drainMessages();
  std::vector<UINT> want = {WM_USER + 1, WM_USER + 2, WM_TIMER};
  EXPECT_EQ(rec.messages(h), want);
  KillTimer(h, 1);
}

TEST_F(Queue, TicksAreCoalescedWhenSeveralPeriodsPassed) {
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

TEST_F(Queue, SetTimerAgainReArmsFromNow) {
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

TEST_F(Queue, KillTimerInsideItsOwnTickStopsIt) {
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

TEST_F(Queue, TimersOfADestroyedWindowDie) {
  HWND h = rec.create("q");
  SetTimer(h, 1, 10, nullptr);
  DestroyWindow(h);
  clock.advance(100);
  EXPECT_EQ(drainMessages(), 0);
}

std::vector<UINT_PTR> gProcTicks;
void CALLBACK timerProc(HWND, UINT, UINT_PTR id, DWORD) { gProcTicks.push_back(id); }

TEST_F(Queue, TimerProcIsCalledByDispatch) {
  gProcTicks.clear();
  UINT_PTR id = SetTimer(nullptr, 0, 20, timerProc);
  ASSERT_NE(id, 0u);
  clock.advance(20);
  drainMessages();
  EXPECT_EQ(gProcTicks, std::vector<UINT_PTR>{id});
  KillTimer(nullptr, id);
}

TEST_F(Queue, MessagesForADestroyedWindowAreDiscarded) {
  HWND a = rec.create("a");
  HWND b = rec.create("b");
  PostMessageA(a, WM_USER, 0, 0);
  PostMessageA(b, WM_USER, 1, 0);
  DestroyWindow(a);
  rec.clear();
  drainMessages();
  ASSERT_EQ(rec.log.size(), 1u);
  EXPECT_EQ(rec.log[0].hwnd, b);
}

TEST_F(Queue, HandlerMayDestroyItsOwnWindowDuringDispatch) {
  HWND h = rec.create("self");
  rec.handler = [&](HWND hw, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER) DestroyWindow(hw);
    return std::nullopt;
  };
  PostMessageA(h, WM_USER, 0, 0);
  PostMessageA(h, WM_USER + 1, 0, 0);  // queued behind, must not be delivered
  rec.clear();
  drainMessages();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(rec.messages(h, {WM_DESTROY, WM_NCDESTROY}), std::vector<UINT>{WM_USER});
}

TEST_F(Queue, NestedPumpTakesTheFollowingMessagesOnce) {
  HWND h = rec.create("nest");
  std::vector<WPARAM> order;
  rec.handler = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_USER) return std::nullopt;
    order.push_back(w);
    if (w == 1) drainMessages();  // a modal loop inside the handler
    return 0;
  };
  for (WPARAM i = 1; i <= 4; ++i) PostMessageA(h, WM_USER, i, 0);
  drainMessages();
  EXPECT_EQ(order, (std::vector<WPARAM>{1, 2, 3, 4}));
}

TEST_F(Queue, PeekFiltersAndNoRemove) {
  HWND a = rec.create("a");
  HWND b = rec.create("b");
  PostMessageA(a, WM_USER + 5, 0, 0);
  PostMessageA(b, WM_USER + 6, 0, 0);
  MSG m;
  EXPECT_TRUE(PeekMessageA(&m, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 6));
  EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 6, WM_USER + 6, PM_REMOVE));
  EXPECT_EQ(m.hwnd, b);
  EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, QuitComesAfterPostedMessages) {
  HWND h = rec.create("quit");
  PostQuitMessage(3);
  PostMessageA(h, WM_USER, 0, 0);
  MSG m;
  EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(Queue, PostFromAnotherThreadWakesGetMessage) {
  HWND h = rec.create("thread");
  std::thread t([h] { PostMessageA(h, WM_USER + 9, 1, 2); });
  MSG m;
  ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));  // blocks until the post arrives
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 9));
  t.join();
}

TEST_F(Queue, ManualClockAdvanceWakesAWaitingLoopForATimer) {
  HWND h = rec.create("timer");
  SetTimer(h, 1, 60000, nullptr);
  std::thread t([this] { clock.advance(60000); });
  MSG m;
  ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
  t.join();
  KillTimer(h, 1);
}

TEST_F(Queue, MsgWaitTimesOutOrReportsInput) {
  HWND h = rec.create("wait");
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT),
            static_cast<DWORD>(WAIT_TIMEOUT));
  PostMessageA(h, WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_ALLINPUT),
            static_cast<DWORD>(WAIT_OBJECT_0));
  drainMessages();
  std::thread t([h] { PostMessageA(h, WM_USER, 0, 0); });
  // Either already posted or arriving: a long bound returns as soon as it is there.
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 60000, QS_ALLINPUT),
            static_cast<DWORD>(WAIT_OBJECT_0));
  t.join();
}

TEST_F(Queue, SendMessageCallsTheProcedureDirectly) {
  HWND h = rec.create("send");
  rec.handler = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER) return static_cast<LRESULT>(w * 2);
    return std::nullopt;
  };
  EXPECT_EQ(SendMessageA(h, WM_USER, 21, 0), 42);
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
}

}  // namespace
