// Start-up, the marker file, the controls and the close path of the main window.
#include <filesystem>
#include <fstream>

#include "platform/posix/Display.h"
#include "tests/app/AppFixture.h"

namespace fs = std::filesystem;

TEST_F(AppTest, StartsHiddenWithOnlyTheIcon) {
  StartApp();
  EXPECT_FALSE(Form1->Visible());
  EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
  ASSERT_EQ(posix::notifyIcons().size(), 1u);
  EXPECT_EQ(posix::notifyIcons()[0].tip, "Orvane Pollarion (click to show)");
  posix::notifyIconMouse(posix::notifyIcons()[0], WM_LBUTTONDOWN);
  posix::notifyIconMouse(posix::notifyIcons()[0], WM_LBUTTONUP);
  ASSERT_TRUE(PumpUntil([] { return Form1->Visible(); }));
  EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
}

TEST_F(AppTest, MarkerFileShowsTheWindowOnceAndIsDeleted) {
  std::ofstream(dir_ + "/newinstall").close();
  StartApp();
  EXPECT_TRUE(Form1->Visible());
  EXPECT_FALSE(fs::exists(dir_ + "/newinstall"));
  StopApp();
  StartApp();
  EXPECT_FALSE(Form1->Visible());
}

TEST_F(AppTest, ControlsCarryTheirCaptionsLimitsAndTabOrder) {
  StartApp();
  EXPECT_EQ(Form1->Caption(), "Orvane Pollarion");
  EXPECT_EQ(Form1->edURL->Text(), "localhost");
  EXPECT_EQ(Form1->edURL->Hint, "Dotted IP address without http://");
  EXPECT_EQ(Form1->edFreq->Value(), 15);
  EXPECT_EQ(Form1->edFreq->Hint, "How often to poll server");
  // Displays ask the control's window for its hint, as for its text.
  HWND url = Form1->edURL->Handle();
  char hint[64] = {};
  EXPECT_EQ(SendMessageA(url, WM_GETHINT, 0, 0), 33);
  EXPECT_EQ(SendMessageA(url, WM_GETHINT, sizeof hint, reinterpret_cast<LPARAM>(hint)), 33);
  EXPECT_STREQ(hint, "Dotted IP address without http://");
  EXPECT_EQ(SendMessageA(url, WM_GETHINT, 8, reinterpret_cast<LPARAM>(hint)), 7);
  EXPECT_STREQ(hint, "Dotted ");
  EXPECT_EQ(Form1->btnStart->Caption(), "Start");
  EXPECT_FALSE(Form1->cbxHeader->Checked());
  EXPECT_EQ(Form1->Timer1->Interval(), 900000u);
  EXPECT_FALSE(Form1->Timer1->Enabled());
  std::vector<TWinControl*> order;
  Form1->GetTabOrderList(order);
  std::erase_if(order, [](TWinControl* c) { return !c->TabStop; });
  std::vector<TWinControl*> expected = {
      Form1->edURL,   Form1->edFreq,    Form1->btnPoll, Form1->btnStart,    Form1->btnClear,
      Form1->btnSave, Form1->cbxHeader, Form1->btnHide, Form1->btnLogStats, Form1->Memo1};
  EXPECT_EQ(order, expected);
}

TEST_F(AppTest, HideAndIconClickKeepTheLog) {
  std::ofstream(dir_ + "/newinstall").close();
  StartApp();
  Form1->LogMsg("MANUAL POLL");
  Form1->btnHide->Click();
  EXPECT_FALSE(Form1->Visible());
  posix::notifyIconMouse(posix::notifyIcons()[0], WM_RBUTTONUP);
  ASSERT_TRUE(PumpUntil([] { return Form1->Visible(); }));
  EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(AppTest, CloseWithAnEmptyLogAsksNothing) {
  StartApp();
  SendMessageA(Form1->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_TRUE(dialogs_.empty());
}

TEST_F(AppTest, CloseWithALogOffersTheSaveAndCancelStillEnds) {
  StartApp();
  Form1->LogMsg("MANUAL POLL");
  SendMessageA(Form1->Handle(), WM_CLOSE, 0, 0);
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0].kind, posix::DialogRequest::SaveFile);
  EXPECT_EQ(dialogs_[0].defaultName, "tavix-2026-12-06-21-04-35");
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(LogLines().size(), 1u);  // nothing appended on cancel
}

TEST_F(AppTest, CloseWithALogSavesWithoutTheClearQuestion) {
  StartApp();
  Form1->LogMsg("MANUAL POLL");
  AnswerSave(dir_ + "/closing.txt");
  SendMessageA(Form1->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(dialogs_.size(), 1u);  // no "clear display log?" while closing
  EXPECT_TRUE(Application->Terminated());
  EXPECT_TRUE(fs::exists(dir_ + "/closing.txt"));
}
