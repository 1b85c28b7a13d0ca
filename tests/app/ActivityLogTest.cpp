// Log lines, the statistics report, clearing and saving the log.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/app/AppFixture.h"
#include "tests/support/FileFaults.h"

namespace fs = std::filesystem;

TEST_F(AppTest, LogLineIsStampSeparatorMessageAndFullStop) {
  StartApp();
  Form1->LogMsg("MANUAL POLL");
  Form1->LogMsg("100% done %s");  // written literally
  Form1->LogFmt("FREQUENCY CHANGED to %d MINUTES", {20});
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "12/06/26 21:04:35 - MANUAL POLL.");
  EXPECT_EQ(lines[1], "12/06/26 21:04:35 - 100% done %s.");
  EXPECT_EQ(lines[2], "12/06/26 21:04:35 - FREQUENCY CHANGED to 20 MINUTES.");
}

TEST_F(AppTest, StampInTheFirstSecondAfterMidnightShowsTheDateAlone) {
  StartApp();
  clock_->setLocal(1796601600500);  // 2026-12-07 00:00:00.500
  Form1->LogMsg("MANUAL POLL");
  EXPECT_EQ(LogLines().at(0), "12/07/26 - MANUAL POLL.");
}

TEST_F(AppTest, StatsRightAfterStartAreZeroAndStartAtCreation) {
  StartApp();
  clock_->advance(5000);
  Form1->LogStats();
  std::vector<std::string> expected = {"",
                                       "12/06/26 21:04:40 - STATS - Started 12/06/26 21:04:35 >>.",
                                       "\tTotal Polls: 0",
                                       "\tSuccess: 0",
                                       "\tFail: 0",
                                       "\tNo Connection: 0",
                                       "\tInvalid Host: 0",
                                       "\tAvg. Success Time: 00:00:00.000",
                                       "\tBandwidth Used: 0.0 KBytes",
                                       "\tMin. Success Time: 00:00:00.000",
                                       "\tMedian Success Time: 00:00:00.000",
                                       "\t95th Pct. Success Time: 00:00:00.000",
                                       "\tMax. Success Time: 00:00:00.000",
                                       "\tUptime: 0.0 %",
                                       ""};
  EXPECT_EQ(LogLines(), expected);
  clock_->advance(1000);
  Form1->LogStats();
  EXPECT_EQ(LogLines().at(16), "12/06/26 21:04:41 - STATS - Started 12/06/26 21:04:40 >>.");
  EXPECT_EQ(LogLines().at(17), "\tTotal Polls: 0");
}

TEST_F(AppTest, AverageSuccessTimeAndBandwidth) {
  StartApp();
  Form1->HTTP->Header = std::string(1024, 'h');
  Form1->StartPollClock();
  clock_->advance(1000);
  Form1->HTTPSuccess(cmdHead);
  Form1->HTTP->Header = std::string(512, 'h');
  Form1->StartPollClock();
  clock_->advance(3000);
  Form1->HTTPSuccess(cmdHead);
  EXPECT_EQ(LogLines().at(0), "12/06/26 21:04:36 - SUCCESS localhost 00:00:01.000.");
  Form1->LogStats();
  auto lines = LogLines();
  EXPECT_EQ(lines.at(5), "\tSuccess: 2");
  EXPECT_EQ(lines.at(9), "\tAvg. Success Time: 00:00:02.000");
  EXPECT_EQ(lines.at(10), "\tBandwidth Used: 1.5 KBytes");
}

TEST_F(AppTest, SuccessLineEndsWithTheHeaderWhenDisplayHeaderIsTicked) {
  StartApp();
  Form1->cbxHeader->SetChecked(true);
  Form1->HTTP->Header = "HTTP/1.0 200 OK\r\nServer: x\r\n\r\n";
  Form1->StartPollClock();
  Form1->HTTPSuccess(cmdHead);
  std::vector<std::string> expected = {"12/06/26 21:04:35 - SUCCESS localhost 00:00:00.000",
                                       "HTTP/1.0 200 OK", "Server: x", "", "."};
  EXPECT_EQ(LogLines(), expected);
}

TEST_F(AppTest, FormatElapsedDropsWholeDays) {
  EXPECT_EQ(TForm1::FormatElapsed(1.042 / 86400), "00:00:01.042");
  EXPECT_EQ(TForm1::FormatElapsed(1 + 3661.5 / 86400), "01:01:01.500");
}

TEST_F(AppTest, ClearAskedYesEmptiesLogAndStatsNoKeepsThem) {
  StartApp();
  Form1->CountResult(skPoll);
  Form1->LogMsg("MANUAL POLL");
  AnswerBox(IDNO);
  Form1->btnClear->Click();
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0].text, "Clear polling log and stats?");
  EXPECT_EQ(dialogs_[0].caption, "Confirm");
  EXPECT_EQ(dialogs_[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(Form1->PollCount(), 1);
  AnswerBox(IDYES);
  Form1->btnClear->Click();
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(Form1->PollCount(), 0);
}

TEST_F(AppTest, SaveWritesTheLogWithTheReportInCrLfLines) {
  StartApp();
  Form1->LogMsg("MANUAL POLL");
  const std::string path = dir_ + "/saved.txt";
  AnswerSave(path);
  AnswerBox(IDNO);
  Form1->btnSave->Click();
  ASSERT_EQ(dialogs_.size(), 2u);
  const auto& save = dialogs_[0];
  EXPECT_EQ(save.title, "Save Pollarion Log");
  EXPECT_EQ(save.defaultName, "tavix-2026-12-06-21-04-35");
  EXPECT_EQ(save.defaultExt, "txt");
  ASSERT_EQ(save.filters.size(), 2u);
  EXPECT_EQ(save.filters[0], (std::pair<std::string, std::string>{"Text files", "*.txt"}));
  EXPECT_EQ(save.filterIndex, 1u);
  EXPECT_EQ(
      save.flags & (OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING),
      DWORD(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING));
  EXPECT_EQ(dialogs_[1].text, "File saved successfully. Do you want to clear display log?");
  const std::string expected =
      "12/06/26 21:04:35 - MANUAL POLL.\r\n"
      "\r\n"
      "12/06/26 21:04:35 - STATS - Started 12/06/26 21:04:35 >>.\r\n"
      "\tTotal Polls: 0\r\n\tSuccess: 0\r\n\tFail: 0\r\n\tNo Connection: 0\r\n"
      "\tInvalid Host: 0\r\n\tAvg. Success Time: 00:00:00.000\r\n"
      "\tBandwidth Used: 0.0 KBytes\r\n"
      "\tMin. Success Time: 00:00:00.000\r\n\tMedian Success Time: 00:00:00.000\r\n"
      "\t95th Pct. Success Time: 00:00:00.000\r\n\tMax. Success Time: 00:00:00.000\r\n"
      "\tUptime: 0.0 %\r\n"
      "\r\n";
  EXPECT_EQ(ReadFile(path), expected);
  EXPECT_EQ(LogLines().size(), 16u);  // No: the log stays
}

TEST_F(AppTest, SaveAnsweredYesClearsTheLog) {
  StartApp();
  Form1->LogMsg("MANUAL POLL");
  AnswerSave(dir_ + "/saved.txt");
  AnswerBox(IDYES);
  Form1->btnSave->Click();
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(AppTest, CancelledSaveAppendsAndResetsNothing) {
  StartApp();
  Form1->CountResult(skPoll);
  Form1->LogMsg("MANUAL POLL");
  Form1->btnSave->Click();
  EXPECT_EQ(LogLines().size(), 1u);
  EXPECT_EQ(Form1->PollCount(), 1);
}

TEST_F(AppTest, SaveToAnUnwritablePlaceShowsTheErrorAndKeepsTheLogAndOldFile) {
  StartApp();
  Form1->LogMsg("MANUAL POLL");
  const std::string path = dir_ + "/no/such/folder/log.txt";
  AnswerSave(path);
  SendMessageA(Form1->btnSave->Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(dialogs_.size(), 2u);
  EXPECT_NE(dialogs_[1].type & MB_ICONERROR, 0u);
  // The file the user chose, never a temporary, and the system's reason.
  EXPECT_EQ(dialogs_[1].text,
            "Cannot create file " + path + ". The system cannot find the path specified");
  EXPECT_EQ(LogLines().size(), 16u);  // the report stays, no clear question
}

TEST_F(AppTest, AFailedSaveLeavesTheOldFileIntact) {
  StartApp();
  const std::string path = dir_ + "/old.txt";
  { std::ofstream(path) << "old contents"; }
  Form1->LogMsg("MANUAL POLL");
  AnswerSave(path);
  EXPECT_TRUE(testsupport::withReadOnlyFolder(dir_, [&] {
    SendMessageA(Form1->btnSave->Handle(), BM_CLICK, 0, 0);
    return dialogs_.size() == 2u && (dialogs_[1].type & MB_ICONERROR) != 0;
  }));
  EXPECT_EQ(ReadFile(path), "old contents");
}

TEST_F(AppTest, AFullDiskDuringASaveShowsTheErrorAndLeavesTheOldFileIntact) {
  StartApp();
  const std::string path = dir_ + "/old.txt";
  { std::ofstream(path) << "old contents"; }
  for (int i = 0; i < 100; ++i) Form1->LogMsg("MANUAL POLL");
  AnswerSave(path);
  {
    testsupport::FileSizeLimit full(1024);
    SendMessageA(Form1->btnSave->Handle(), BM_CLICK, 0, 0);
  }
  ASSERT_EQ(dialogs_.size(), 2u);
  EXPECT_NE(dialogs_[1].type & MB_ICONERROR, 0u);
  EXPECT_EQ(ReadFile(path), "old contents");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "a temporary file was left behind";
  EXPECT_EQ(LogLines().size(), 115u);  // the log and its report stay on screen
}
