// The blocking point: registered sources wake the loop and run on the GUI thread.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <thread>

#include "platform/posix/EventLoop.h"
#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

namespace {

TEST(EventLoop, ReadySourceRunsItsCallbackAndMayRemoveItself) {
  testsupport::MessageRecorder rec;
  HWND h = rec.create("src");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  posix::Source src;
  src.fd = fds[0];
  src.events = POLLIN;
  int calls = 0;
  src.onReady = [&](short) {
    ++calls;
    char c;
    EXPECT_EQ(read(fds[0], &c, 1), 1);
    posix::removeSource(&src);
    PostMessageA(h, WM_USER + 3, 0, 0);
  };
  posix::addSource(&src);
  std::thread t([&] { EXPECT_EQ(write(fds[1], "x", 1), 1); });
  MSG m;
  ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 3));
  t.join();
  EXPECT_EQ(write(fds[1], "y", 1), 1);  // removed: no second call
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT),
            static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(calls, 1);
  close(fds[0]);
  close(fds[1]);
}

TEST(EventLoop, ZeroWaitStillPollsSources) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  posix::Source src;
  src.fd = fds[0];
  src.events = POLLIN;
  bool ran = false;
  src.onReady = [&](short) {
    ran = true;
    char c;
    EXPECT_EQ(read(fds[0], &c, 1), 1);
  };
  posix::addSource(&src);
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT),
            static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(ran);
  posix::removeSource(&src);
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
