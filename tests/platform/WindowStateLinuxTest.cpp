// Window state as the Linux platform keeps it: a 16-pixel title, staggered default
// positions, where focus and activation go when windows go, the window tree the display
// draws, and the cursor and keys the display sets.
#include <gtest/gtest.h>

#include "platform/posix/Input.h"
#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::MessageRecorder;

namespace {

TEST(Bounds, ClientAreaIsTheWindowMinusTitleAndFrame) {
  MessageRecorder rec;
  HWND h = rec.create("b", WS_OVERLAPPEDWINDOW, nullptr, 0, 0, 0, 300, 200);
  RECT c;
  GetClientRect(h, &c);
  int f = GetSystemMetrics(SM_CXFRAME);
  EXPECT_EQ(c.right, 300 - 2 * f);
  EXPECT_EQ(c.bottom, 200 - 2 * f - 16);
  HWND child = rec.create("k", WS_CHILD, h, 1, 10, 20, 30, 40);
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, f + 10);
  EXPECT_EQ(r.top, f + 16 + 20);
}

TEST(Bounds, DefaultPositionsAreStaggered) {
  HWND a = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                           nullptr, nullptr, nullptr, nullptr);
  HWND b = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                           nullptr, nullptr, nullptr, nullptr);
  RECT ra, rb;
  GetWindowRect(a, &ra);
  GetWindowRect(b, &rb);
  EXPECT_NE(ra.left, rb.left);
  EXPECT_GT(ra.right - ra.left, 0);
  DestroyWindow(a);
  DestroyWindow(b);
}

// A destroyed focus leaves no focus (Windows hands it on); activation goes back to the
// top-level window that had it.
TEST(Focus, DestroyedFocusAndActivationGoBack) {
  MessageRecorder rec;
  HWND p = rec.create("p", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND a = rec.create("a", WS_CHILD | WS_VISIBLE, p, 1);
  HWND b = rec.create("b", WS_CHILD | WS_VISIBLE, p, 2);
  SetFocus(b);
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), nullptr);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), p);  // children never hand activation on
  HWND q = rec.create("q", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  EXPECT_EQ(GetActiveWindow(), q);
  DestroyWindow(q);
  EXPECT_EQ(GetActiveWindow(), p);
}

TEST(InputState, CursorAndKeysAsTheDisplaySetThem) {
  posix::setCursorPos(12, 34);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 12);
  EXPECT_EQ(p.y, 34);
  posix::setKeyState(VK_SHIFT, true);
  EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
  posix::setKeyState(VK_SHIFT, false);
  EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
}

}  // namespace
