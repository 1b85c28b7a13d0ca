// The message queue: posted order, WM_TIMER only on an empty queue, destroyed
// windows, re-entrant pumps, peek filters, quit, cross-thread posts and waits.
#include <gtest/gtest.h>

#include <thread>

#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::drainMessages;
using testsupport::InOrder;
using testsupport::kPosted;
using testsupport::kSent;
using testsupport::MessageRecorder;

namespace {

class Queue : public ::testing::Test {
 protected:
  void SetUp() override { drainMessages(); }
  void TearDown() override { drainMessages(); }
  MessageRecorder rec;
};

// Waits (within a generous bound) until the window's timer is due, leaving it queued.
bool waitUntilTimerDue(HWND h) {
  MSG m;
  for (int i = 0; i < 1000; ++i) {
    if (PeekMessageA(&m, h, WM_TIMER, WM_TIMER, PM_NOREMOVE)) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return false;
}

TEST_F(Queue, PostedMessagesComeInOrderAndTimersOnlyWhenTheQueueIsEmpty) {
  HWND h = rec.create("q");
  SetTimer(h, 1, 50, nullptr);  // long enough not to come due twice during the drain
  ASSERT_TRUE(waitUntilTimerDue(h));
  PostMessageA(h, WM_USER + 1, 0, 0);
  PostMessageA(h, WM_USER + 2, 0, 0);
  rec.clear();
  drainMessages();
  KillTimer(h, 1);
  EXPECT_TRUE(InOrder(rec.records(h),
                      {{WM_USER + 1, kPosted}, {WM_USER + 2, kPosted}, {WM_TIMER, kPosted}}));
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
  EXPECT_TRUE(
      InOrder(rec.records(h), {{WM_USER, kPosted}, {WM_DESTROY, kSent}, {WM_NCDESTROY, kSent}}));
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

TEST_F(Queue, MsgWaitTimesOutOrReportsInput) {
  HWND h = rec.create("wait");
  drainMessages();
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
