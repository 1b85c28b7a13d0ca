// Show states, bounds, placement records, focus and the window-tree view.
#include <gtest/gtest.h>

#include "platform/posix/Input.h"
#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::MessageRecorder;

namespace {

TEST(ShowWindow, SendsShowWindowOnlyOnChangeAndReportsPreviousVisibility) {
  MessageRecorder rec;
  HWND h = rec.create("s");
  rec.clear();
  EXPECT_FALSE(ShowWindow(h, SW_SHOW));
  EXPECT_TRUE(ShowWindow(h, SW_SHOW));
  EXPECT_TRUE(ShowWindow(h, SW_HIDE));
  EXPECT_FALSE(ShowWindow(h, SW_HIDE));
  std::vector<UINT> shows = rec.messages(h, {WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS});
  EXPECT_EQ(shows, (std::vector<UINT>{WM_SHOWWINDOW, WM_SHOWWINDOW}));
  EXPECT_EQ(rec.log[0].wp, static_cast<WPARAM>(TRUE));
}

TEST(ShowWindow, VisibilityConsidersParents) {
  MessageRecorder rec;
  HWND p = rec.create("p");
  HWND c = rec.create("c", WS_CHILD | WS_VISIBLE, p);
  EXPECT_FALSE(IsWindowVisible(c));
  ShowWindow(p, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(c));
}

TEST(ShowWindow, MinimiseMaximiseRestoreKeepTheNormalRect) {
  MessageRecorder rec;
  HWND h = rec.create("m", WS_OVERLAPPEDWINDOW, nullptr, 0, 40, 50, 300, 200);
  ShowWindow(h, SW_SHOWNORMAL);
  ShowWindow(h, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(h));
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN) + 2 * GetSystemMetrics(SM_CXFRAME));
  ShowWindow(h, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(h));
  EXPECT_FALSE(IsZoomed(h));
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  ASSERT_TRUE(GetWindowPlacement(h, &wp));
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
  EXPECT_EQ(wp.flags, static_cast<UINT>(WPF_RESTORETOMAXIMIZED));
  EXPECT_EQ(wp.rcNormalPosition.left, 40);
  EXPECT_EQ(wp.rcNormalPosition.bottom, 250);
  ShowWindow(h, SW_RESTORE);  // back to maximised, as it was before
  EXPECT_TRUE(IsZoomed(h));
  ShowWindow(h, SW_RESTORE);
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.bottom, 250);
}

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

TEST(Bounds, MoveWindowSendsMoveAndSize) {
  MessageRecorder rec;
  HWND h = rec.create("mv");
  rec.clear();
  MoveWindow(h, 1, 2, 3, 4, TRUE);
  EXPECT_EQ(rec.messages(h), (std::vector<UINT>{WM_MOVE, WM_SIZE}));
  rec.clear();
  MoveWindow(h, 1, 2, 3, 4, TRUE);
  EXPECT_TRUE(rec.messages(h).empty());
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

TEST(Placement, HiddenRecordKeepsTheWindowHiddenAndAppliesBounds) {
  MessageRecorder rec;
  HWND h = rec.create("pl");
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(h, &wp);
  wp.showCmd = SW_HIDE;
  wp.rcNormalPosition = RECT{100, 110, 400, 310};
  ASSERT_TRUE(SetWindowPlacement(h, &wp));
  EXPECT_FALSE(IsWindowVisible(h));
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.bottom, 310);
  wp.showCmd = SW_SHOWMAXIMIZED;
  SetWindowPlacement(h, &wp);
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_TRUE(IsZoomed(h));
}

TEST(Focus, SetFocusSendsKillThenSetAndReturnsThePrevious) {
  MessageRecorder rec;
  HWND p = rec.create("p", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND a = rec.create("a", WS_CHILD | WS_VISIBLE, p, 1);
  HWND b = rec.create("b", WS_CHILD | WS_VISIBLE, p, 2);
  SetFocus(a);
  rec.clear();
  EXPECT_EQ(SetFocus(b), a);
  std::vector<std::pair<HWND, UINT>> got;
  for (auto& r : rec.log) got.emplace_back(r.hwnd, r.msg);
  EXPECT_EQ(got, (std::vector<std::pair<HWND, UINT>>{{a, WM_KILLFOCUS}, {b, WM_SETFOCUS}}));
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(GetActiveWindow(), p);
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), nullptr);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), p);  // children never hand activation on
  HWND q = rec.create("q", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  EXPECT_EQ(GetActiveWindow(), q);
  DestroyWindow(q);
  EXPECT_EQ(GetActiveWindow(), p);
}

TEST(WindowTreeView, TopLevelInZOrderChildrenInCreationOrder) {
  MessageRecorder rec;
  HWND a = rec.create("first", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND b = rec.create("second", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND c1 = rec.create("c1", WS_CHILD | WS_VISIBLE, a, 1);
  HWND c2 = rec.create("c2", WS_CHILD | WS_VISIBLE, a, 2);
  SetForegroundWindow(a);
  std::vector<HWND> order;
  for (auto& i : posix::windowTree())
    if (i.hwnd == a || i.hwnd == b || i.hwnd == c1 || i.hwnd == c2) order.push_back(i.hwnd);
  EXPECT_EQ(order, (std::vector<HWND>{a, c1, c2, b}));
  EXPECT_EQ(WindowFromPoint(POINT{15, 40}), a);
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
