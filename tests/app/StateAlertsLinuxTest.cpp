// A change of the server's state, as the person meets it: the SERVER DOWN / SERVER UP
// lines, the notification icon's tip, colour and balloon, and the command with its
// environment, which runs without holding up the program and is killed past its bound.
#include <algorithm>

#include "app/StateAlerts.h"
#include "tests/app/AppFixture.h"
#include "tests/support/LoopbackScripts.h"

namespace {

constexpr char kStamp[] = "12/06/26 21:04:35";

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

class StateAlertsTest : public AppTest {
 protected:
  // Pumps, moving the fixed clock on, until the log's last line ends with tail.
  bool WaitForLastLine(const std::string& tail) {
    return PumpUntil([&] {
      Advance(200);
      auto lines = AllLogLines();
      return !lines.empty() && EndsWith(lines.back(), tail);
    });
  }
  const posix::NotifyIcon& Icon() const { return posix::notifyIcons().at(0); }
  // The log less the commands' lines, which come whenever a command ends.
  std::vector<std::string> PollLines() const {
    std::vector<std::string> out;
    for (std::string& line : AllLogLines())
      if (line.find(" - COMMAND ") == std::string::npos) out.push_back(std::move(line));
    return out;
  }
};

TEST_F(StateAlertsTest, DownAndUpAreLoggedShownAndHandedToTheCommand) {
  LoopbackReplies server;
  ASSERT_TRUE(server.listening());
  server.reply("HTTP/1.0 503 Service Unavailable\r\n\r\n");
  server.reply("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
  const std::string out = dir_ + "/alerts.txt";
  WriteIni(
      "[settings]\r\nalertbell=0\r\nalertcommandtimeout=86400\r\nalertcommand=echo "
      "\"$TAVIX_STATE|$TAVIX_URL|$TAVIX_SINCE|"
      "$TAVIX_DOWN_SECONDS|$TAVIX_LINE\" >> " +
      out + "; echo sent; echo and done >&2\r\n");
  StartApp();
  const std::string url = server.address();
  Form1->edURL->SetText(url);
  Form1->btnPoll->Click();
  const std::string down = std::string(kStamp) + " - SERVER DOWN " + url + " since " + kStamp + ".";
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_THAT(lines[1], IsLine("FAILURE " + kElapsed));
  EXPECT_EQ(lines[2], down);
  EXPECT_EQ(Icon().tip, "DOWN: " + url + ", FAILURE at 21:04:35");
  EXPECT_EQ(Icon().balloonText, "Server down: " + url);
  EXPECT_EQ(Icon().balloonFlags, DWORD(NIIF_ERROR | NIIF_NOSOUND));
  EXPECT_EQ(Form1->TrayIcon1->FaceColour, TEXTCOLOUR_BAD);

  Advance(12 * 60000 + 3000);  // the server answers again 12:03 later (the command may still run)
  Form1->btnPoll->Click();
  lines = PollLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_THAT(lines[4], ::testing::HasSubstr(" - SUCCESS " + url));
  const std::string up =
      "12/06/26 21:16:38 - SERVER UP " + url + " since 12/06/26 21:16:38, down for 00:12:03.";
  EXPECT_EQ(lines[5], up);
  EXPECT_EQ(Icon().tip, "Up: " + url + ", SUCCESS at 21:16:38");
  EXPECT_EQ(Icon().balloonText, "Server up again: " + url + ", down for 00:12:03");
  EXPECT_EQ(Icon().balloonSerial, 2u);
  EXPECT_EQ(Form1->TrayIcon1->FaceColour, TEXTCOLOUR_GOOD);

  // Both commands end by themselves, each with its line; they may end in either order.
  const std::string ended = "COMMAND ENDED, exit code 0: sent / and done.";
  ASSERT_TRUE(PumpUntil([&] {
    Advance(200);
    lines = AllLogLines();
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return EndsWith(l, ended); }) == 2;
  }));
  const std::string downEnv = "DOWN|" + url + "|2026-12-06T21:04:35|0|" + down + "\n";
  const std::string upEnv = "UP|" + url + "|2026-12-06T21:16:38|723|" + up + "\n";
  EXPECT_THAT(ReadFile(out), ::testing::AnyOf(downEnv + upEnv, upEnv + downEnv));

  // Stopped polling: the state is not known any more.
  Form1->btnStart->Click();
  Form1->btnStart->Click();
  EXPECT_THAT(Icon().tip, ::testing::StartsWith("Not polling: " + url));
  EXPECT_EQ(Form1->TrayIcon1->FaceColour, TEXTCOLOUR_NONE);
}

TEST_F(StateAlertsTest, ACommandPastItsBoundIsKilledWhilePollsGoOn) {
  WriteIni("[settings]\r\nalertcommand=exec sleep 60\r\nalertcommandtimeout=2\r\n");
  StartApp();
  Form1->edURL->SetText("127.0.0.1:" + std::to_string(LoopbackRefusedPort()));
  Form1->btnPoll->Click();
  EXPECT_THAT(AllLogLines().back(), ::testing::HasSubstr(" - SERVER DOWN "));
  Form1->btnPoll->Click();  // the command does not hold up the next poll
  EXPECT_EQ(Form1->PollCount(), 2);
  ASSERT_TRUE(WaitForLastLine("COMMAND KILLED after 2 seconds."))
      << ::testing::PrintToString(AllLogLines());
  EXPECT_EQ(Form1->Alerts()->Command()->Running(), 0u);
}
