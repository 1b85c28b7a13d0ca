// Built-in controls: edit typing and notifications, buttons and check boxes,
// the up-down control's notify protocol and multi-line scrolling.
#include <gtest/gtest.h>

#include "platform/posix/Input.h"
#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::MessageRecorder;

namespace {

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = rec.create("form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 0, 0, 0, 400, 300);
    rec.handler = [this](HWND, UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
      if (m == WM_COMMAND) commands.emplace_back(LOWORD(w), HIWORD(w));
      if (m == WM_NOTIFY) {
        auto* nm = reinterpret_cast<NMUPDOWN*>(l);
        deltas.push_back(nm->iDelta);
        if (nm->iPos == vetoAt) return 1;
      }
      if (m == WM_VSCROLL) scrolls.push_back(static_cast<short>(HIWORD(w)));
      return std::nullopt;
    };
  }
  HWND child(const char* cls, DWORD style, int id, const char* text = "", int h = 20) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 100, h, parent,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
  void type(HWND h, const std::string& s) {
    for (char c : s) SendMessageA(h, WM_CHAR, static_cast<unsigned char>(c), 0);
  }
  std::string text(HWND h) {
    char buf[256];
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
  }

  MessageRecorder rec;
  HWND parent = nullptr;
  std::vector<std::pair<int, int>> commands;
  std::vector<int> deltas, scrolls;
  int vetoAt = -99999;
};

TEST_F(Controls, EditTypingAndSetTextNotifyChange) {
  HWND e = child("EDIT", 0, 5);
  commands.clear();
  type(e, "ab");
  SendMessageA(e, WM_KEYDOWN, VK_LEFT, 0);
  type(e, "X");
  EXPECT_EQ(text(e), "aXb");
  SendMessageA(e, WM_KEYDOWN, VK_END, 0);
  type(e, "\b");
  EXPECT_EQ(text(e), "aX");
  SetWindowTextA(e, "fresh");
  std::vector<std::pair<int, int>> want(5, {5, EN_CHANGE});
  EXPECT_EQ(commands, want);
}

TEST_F(Controls, EditSelectionReplaceLimitAndReadOnly) {
  HWND e = child("EDIT", 0, 6, "hello");
  SendMessageA(e, EM_SETSEL, 1, 3);
  DWORD a = 0, b = 0;
  SendMessageA(e, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(b, 3u);
  SendMessageA(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("EE"));
  EXPECT_EQ(text(e), "hEElo");
  SendMessageA(e, EM_LIMITTEXT, 6, 0);
  type(e, "123");
  EXPECT_EQ(text(e), "hEE1lo");
  SendMessageA(e, EM_SETREADONLY, TRUE, 0);
  commands.clear();
  type(e, "z");
  SendMessageA(e, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(text(e), "hEE1lo");
  EXPECT_TRUE(commands.empty());
}

TEST_F(Controls, EditFocusNotifications) {
  HWND e = child("EDIT", 0, 8);
  HWND other = child("BUTTON", BS_PUSHBUTTON, 9);
  commands.clear();
  SetFocus(e);
  SetFocus(other);
  EXPECT_EQ(commands, (std::vector<std::pair<int, int>>{{8, EN_SETFOCUS}, {8, EN_KILLFOCUS}}));
}

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

TEST_F(Controls, ButtonsClickOnMouseSpaceAndBmClick) {
  HWND b = child("BUTTON", BS_PUSHBUTTON, 21, "Poll");
  SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));  // released outside: no click
  SendMessageA(b, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageA(b, BM_CLICK, 0, 0);
  int clicks = 0;
  for (auto& c : commands) clicks += c == std::pair<int, int>{21, BN_CLICKED};
  EXPECT_EQ(clicks, 3);
}

TEST_F(Controls, AutoCheckBoxTogglesBeforeNotifying) {
  HWND c = child("BUTTON", BS_AUTOCHECKBOX, 22, "Headers");
  int checkAtClick = -1;
  rec.handler = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_COMMAND) checkAtClick = static_cast<int>(SendMessageA(c, BM_GETCHECK, 0, 0));
    return std::nullopt;
  };
  SendMessageA(c, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(checkAtClick, BST_CHECKED);
  SendMessageA(c, BM_SETCHECK, BST_UNCHECKED, 0);
  EXPECT_EQ(SendMessageA(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(posix::controlState(c).kind, posix::ControlState::CheckBox);
}

TEST_F(Controls, UpDownAsksTheParentThenMoves) {
  HWND buddy = child("EDIT", 0, 30, "5");
  HWND ud = child(UPDOWN_CLASSA, UDS_SETBUDDYINT, 31, "", 20);
  SendMessageA(ud, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  SendMessageA(ud, UDM_SETRANGE32, 1, 10);
  SendMessageA(ud, UDM_SETPOS32, 0, 5);
  SendMessageA(ud, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));  // upper half
  SendMessageA(ud, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageA(ud, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(deltas, (std::vector<int>{1, -1, -1}));
  EXPECT_EQ(scrolls, (std::vector<int>{6, 5, 4}));
  EXPECT_EQ(SendMessageA(ud, UDM_GETPOS32, 0, 0), 4);
  EXPECT_EQ(text(buddy), "4");
  vetoAt = 4;  // the parent refuses: nothing moves
  SendMessageA(ud, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(SendMessageA(ud, UDM_GETPOS32, 0, 0), 4);
  EXPECT_EQ(scrolls.size(), 3u);
}

}  // namespace
