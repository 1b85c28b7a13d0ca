// Built-in controls as the Linux platform draws them: multi-line scrolling by rows of
// 16 pixels, the state the display reads, and UTF-8 as the code page.
#include <gtest/gtest.h>

#include "platform/posix/Input.h"
#include "platform/winapi.h"
#include "tests/platform/ControlsFixture.h"

using controls_test::Controls;

namespace {

TEST_F(Controls, MultiLineEditCountsAndScrollsLines) {
  HWND m = child("EDIT", ES_MULTILINE | ES_READONLY | WS_VSCROLL, 3, "", 48);  // 3 lines seen
  std::string all;
  for (int i = 0; i < 10; ++i) all += "line" + std::to_string(i) + (i < 9 ? "\r\n" : "");
  SetWindowTextA(m, all.c_str());
  EXPECT_EQ(SendMessageA(m, EM_GETLINECOUNT, 0, 0), 10);
  SendMessageA(m, EM_LINESCROLL, 0, 4);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 4);
  SendMessageA(m, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 7);  // clamped: last page
  SendMessageA(m, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 4);
  SendMessageA(m, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  int len = GetWindowTextLengthA(m);
  SendMessageA(m, EM_SETSEL, len, len);
  SendMessageA(m, EM_SCROLLCARET, 0, 0);
  EXPECT_EQ(SendMessageA(m, EM_GETFIRSTVISIBLELINE, 0, 0), 7);
  posix::ControlState s = posix::controlState(m);
  EXPECT_TRUE(s.multiLine);
  EXPECT_EQ(s.lineCount, 10);
  HWND c = child("BUTTON", BS_AUTOCHECKBOX, 22, "Headers");
  EXPECT_EQ(posix::controlState(c).kind, posix::ControlState::CheckBox);
}

// UTF-8 is the code page: characters typed a byte at a time go in whole, Backspace and
// Delete take whole characters, bytes that make no character are dropped; a
// multi-line box wraps words at its width (here 12 characters) and counts rows.
TEST_F(Controls, EditKeepsUtf8CharactersWholeAndWrapsWords) {
  HWND e = child("EDIT", 0, 4);
  type(e, "a\xc3\xbc\xe2\x82\xac");
  EXPECT_EQ(text(e), "a\xc3\xbc\xe2\x82\xac");
  type(e, "\b");
  EXPECT_EQ(text(e), "a\xc3\xbc");
  SendMessageA(e, WM_KEYDOWN, VK_LEFT, 0);
  SendMessageA(e, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(text(e), "a");
  type(e,
       "\xff\xc3"
       "b\x82");
  EXPECT_EQ(text(e), "ab");
  HWND m = child("EDIT", ES_MULTILINE, 5, "", 48);
  SetWindowTextA(m, "one two three four five\r\nsix");
  EXPECT_EQ(SendMessageA(m, EM_GETLINECOUNT, 0, 0), 4);
}

}  // namespace
