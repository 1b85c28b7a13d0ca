// Modal dialogs on the null display: the request the display sees, pumping while
// the dialog is up, WM_QUIT ending it, and the save dialog's name handling.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/posix/Seams.h"
#include "platform/winapi.h"
#include "tests/support/PlatformRecorder.h"

using testsupport::drainMessages;
using testsupport::MessageRecorder;

namespace {

class Dialogs : public ::testing::Test {
 protected:
  void TearDown() override {
    posix::setDialogResponder(nullptr);
    posix::setClock(nullptr);
    drainMessages();
  }
};

TEST_F(Dialogs, DefaultAnswersWithoutAResponder) {
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), IDOK);
}

TEST_F(Dialogs, MessageBoxPumpsUntilTheResponderAnswersLater) {
  posix::ManualClock clock;
  posix::setClock(&clock);
  MessageRecorder rec;
  HWND h = rec.create("owner");
  posix::DialogRequest* pending = nullptr;
  std::string text, caption;
  posix::setDialogResponder([&](posix::DialogRequest& req) {
    pending = &req;
    text = req.text;
    caption = req.caption;
    PostMessageA(h, WM_USER, 0, 0);  // work that must go on behind the box
    SetTimer(h, 9, 100, nullptr);
  });
  std::vector<UINT> seen;
  rec.handler = [&](HWND hw, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER) {
      seen.push_back(m);
      clock.advance(100);
    }
    if (m == WM_TIMER) {
      seen.push_back(m);
      KillTimer(hw, 9);
      pending->result = IDYES;
      pending->done = true;
    }
    return std::nullopt;
  };
  EXPECT_EQ(MessageBoxA(h, "Save the log?", "Orvane", MB_YESNO), IDYES);
  EXPECT_EQ(text, "Save the log?");
  EXPECT_EQ(caption, "Orvane");
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER, WM_TIMER}));
}

TEST_F(Dialogs, QuitCancelsTheDialogAndIsPostedAgain) {
  posix::setDialogResponder([](posix::DialogRequest&) { PostQuitMessage(5); });
  EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OKCANCEL), IDCANCEL);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 5u);
}

TEST_F(Dialogs, SaveDialogSeesFiltersAndDefaultsAndAddsTheExtension) {
  posix::DialogRequest seen;
  posix::setDialogResponder([&](posix::DialogRequest& req) {
    seen = req;
    req.chosenPath = "/tmp/logs/mylog";
    req.result = TRUE;
    req.done = true;
  });
  char file[MAX_PATH] = "tavix-2024-01-02";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFilter = "Text files\0*.txt\0All files\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrDefExt = "txt";
  ofn.Flags = OFN_OVERWRITEPROMPT;
  ASSERT_TRUE(GetSaveFileNameA(&ofn));
  EXPECT_STREQ(file, "/tmp/logs/mylog.txt");
  EXPECT_EQ(ofn.nFileOffset, 10);
  ASSERT_EQ(seen.filters.size(), 2u);
  EXPECT_EQ(seen.filters[0], (std::pair<std::string, std::string>{"Text files", "*.txt"}));
  EXPECT_EQ(seen.filters[1], (std::pair<std::string, std::string>{"All files", "*.*"}));
  EXPECT_EQ(seen.defaultName, "tavix-2024-01-02");
  EXPECT_EQ(seen.defaultExt, "txt");
  EXPECT_EQ(seen.flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT));
}

TEST_F(Dialogs, SaveDialogKeepsAnExtensionAndFailsWhenTheNameDoesNotFit) {
  posix::setDialogResponder([](posix::DialogRequest& req) {
    req.chosenPath = "/a.b/name.log";
    req.result = TRUE;
    req.done = true;
  });
  char file[32] = "";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrDefExt = "txt";
  ASSERT_TRUE(GetSaveFileNameA(&ofn));
  EXPECT_STREQ(file, "/a.b/name.log");
  ofn.nMaxFile = 8;
  EXPECT_FALSE(GetSaveFileNameA(&ofn));
}

TEST_F(Dialogs, CancelledSaveReturnsFalseAndKeepsTheName) {
  char file[MAX_PATH] = "x";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  EXPECT_FALSE(GetSaveFileNameA(&ofn));
  EXPECT_STREQ(file, "x");
}

}  // namespace
