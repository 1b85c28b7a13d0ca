// The tray icon: clicks, popup, minimise and close. What the notification area shows
// (the icon, its tip, activation) is checked in TrayIconLinuxTest.cpp.
#include <gtest/gtest.h>

#include "tests/tray/TrayIconFixture.h"

namespace {

TEST_F(TrayIconTest, ReleaseOfAnyButtonShowsTheWindow) {
  for (UINT down : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
    form->SetVisible(false);
    Mouse(down);
    EXPECT_FALSE(form->Visible()) << down;
    Mouse(down + 1);  // the matching release
    EXPECT_TRUE(form->Visible()) << down;
  }
}

TEST_F(TrayIconTest, DoubleClickSequence) {
  RecordEvents();
  for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) Mouse(m);
  std::vector<std::string> expected{"down left",        "click", "up left", "dblclick",
                                    "down left double", "click", "up left"};
  EXPECT_EQ(log, expected);
}

TEST_F(TrayIconTest, MouseMoveAndUnknownMessages) {
  int moves = 0;
  tray->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
  RecordEvents();
  Mouse(WM_MOUSEMOVE);
  Mouse(WM_MOUSEWHEEL);
  EXPECT_EQ(moves, 1);
  EXPECT_TRUE(log.empty());
}

TEST_F(TrayIconTest, RightPressWithAPopupMenuOpensItAtTheCursor) {
  auto* menu = TComponent::Create<TRecordingMenu>(form.get());
  menu->Log = &log;
  tray->SetPopupMenu(menu);
  RecordEvents();
  Mouse(WM_RBUTTONDOWN);
  EXPECT_EQ(log, (std::vector<std::string>{"down right", "onpopup", "popup"}));
  EXPECT_EQ(menu->OpenedBy, tray);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(menu->At.x, cursor.x);
  EXPECT_EQ(menu->At.y, cursor.y);
  EXPECT_EQ(tray->CursorPos().x, cursor.x);
}

TEST_F(TrayIconTest, RightClickWithoutAMenu) {
  RecordEvents();
  Mouse(WM_RBUTTONDOWN);
  EXPECT_EQ(log, std::vector<std::string>{"down right"});
  Mouse(WM_RBUTTONUP);
  EXPECT_EQ(log, (std::vector<std::string>{"down right", "click", "up right"}));
}

TEST_F(TrayIconTest, DestroyingThePopupMenuClearsTheReference) {
  auto* menu = TComponent::Create<TRecordingMenu>(form.get());
  tray->SetPopupMenu(menu);
  menu->Free();
  EXPECT_EQ(tray->PopupMenu(), nullptr);
  Mouse(WM_RBUTTONDOWN);  // no menu to open, nothing to crash on
}

TEST_F(TrayIconTest, MinimiseHidesTheWindow) {
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(form->SysCommands, std::vector<WPARAM>{SC_MINIMIZE});  // passed on first
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(IsWindowVisible(Application->Handle()));
}

TEST_F(TrayIconTest, MinimiseKeepsTheWindowWithShowMinimizedIcon) {
  tray->ShowMinimizedIcon = true;
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(form->Visible());
}

TEST_F(TrayIconTest, NoCloseHidesInsteadOfClosingWhileActive) {
  tray->NoClose = true;
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(form->SysCommands.empty());  // not passed on
  EXPECT_EQ(form->CloseQueries, 0);
  EXPECT_FALSE(form->Visible());
}

TEST_F(TrayIconTest, NoCloseWithoutActiveLetsTheCloseThrough) {
  tray->NoClose = true;
  tray->SetActive(false);
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(form->CloseQueries, 1);
}

TEST_F(TrayIconTest, CloseWithoutNoCloseGoesThrough) {
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(form->SysCommands, std::vector<WPARAM>{SC_CLOSE});
  EXPECT_EQ(form->CloseQueries, 1);
}

TEST_F(TrayIconTest, SystemCommandWithLowBitsSetPassesThrough) {
  tray->NoClose = true;
  form->SetVisible(true);
  form->SysCommands.clear();
  // Neither counts as minimise or close for the icon: both reach the form untouched.
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE | 2, 0);
  ASSERT_EQ(form->SysCommands, std::vector<WPARAM>{SC_CLOSE | 2});
  form->SetVisible(true);
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE | 2, 0);
  EXPECT_EQ(form->SysCommands, (std::vector<WPARAM>{SC_CLOSE | 2, SC_MINIMIZE | 2}));
  EXPECT_TRUE(form->Visible());  // not hidden as after a minimise
}

TEST_F(TrayIconTest, ClickHandlerMayFreeTheIcon) {
  bool upAfterFree = false;
  tray->OnClick = [this](TObject*) { tray->Free(); };
  tray->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { upAfterFree = true; };
  Mouse(WM_LBUTTONUP);
  EXPECT_FALSE(upAfterFree);
}

}  // namespace
