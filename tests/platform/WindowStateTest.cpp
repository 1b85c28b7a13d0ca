// Show states, bounds, placement records and focus.
#include <gtest/gtest.h>

#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::InOrder;
using testsupport::kOptional;
using testsupport::kSent;
using testsupport::kWindowsOnly;
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
  std::set<UINT> noise = kWindowsOnly;
  noise.insert({WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS});
  // A window created hidden gets its WM_SIZE and WM_MOVE when first shown on Windows.
  EXPECT_TRUE(InOrder(rec.records(h, noise), {{WM_SHOWWINDOW, kSent},
                                              {WM_SIZE, kSent | kOptional},
                                              {WM_MOVE, kSent | kOptional},
                                              {WM_SHOWWINDOW, kSent}}));
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

TEST(Bounds, MoveWindowSendsMoveAndSize) {
  MessageRecorder rec;
  HWND h = rec.create("mv");
  rec.clear();
  MoveWindow(h, 1, 2, 3, 4, TRUE);
  EXPECT_TRUE(InOrder(rec.records(h, kWindowsOnly), {{WM_MOVE, kSent}, {WM_SIZE, kSent}}));
  rec.clear();
  MoveWindow(h, 1, 2, 3, 4, TRUE);
  EXPECT_TRUE(rec.records(h, kWindowsOnly).empty());
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
  for (auto& r : rec.records(nullptr, kWindowsOnly)) got.emplace_back(r.hwnd, r.msg);
  EXPECT_EQ(got, (std::vector<std::pair<HWND, UINT>>{{a, WM_KILLFOCUS}, {b, WM_SETFOCUS}}));
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(GetActiveWindow(), p);
}

}  // namespace
