// The poll cycle where the test moves the clock or answers name lookups itself.
#include "tests/app/AppFixture.h"
#include "tests/app/GateFixture.h"

namespace {
std::string Line(const std::string& message) { return "12/06/26 21:04:35 - " + message + "."; }
}  // namespace

class PollLinuxTest : public GateFixture<AppTest> {};

// The busy notice shows from a thread of its own, so the poll in flight goes on behind
// it (on Windows the test's box hook sees only the test's own thread).
TEST_F(PollLinuxTest, ASecondPollNowWhileBusyShowsTheBusyBoxAndOneOutcome) {
  gate_.openAlways(false);
  StartApp();
  Form1->edURL->SetText(gate_.address());
  WhenRequested(1, [this] {
    Form1->btnPoll->Click();
    gate_.open();
  });
  Form1->btnPoll->Click();
  ASSERT_TRUE(PumpUntil([this] { return dialogs_.size() == 1; }));
  EXPECT_THAT(LogLines(),
              ::testing::ElementsAre(IsLine("MANUAL POLL"), IsLine("MANUAL POLL"),
                                     IsLine("SUCCESS " + gate_.address() + " " + kElapsed)));
  EXPECT_EQ(dialogs_[0].text, "Busy waiting for response - please wait a moment.");
  EXPECT_EQ(dialogs_[0].type, UINT(MB_OK));
  EXPECT_EQ(Form1->PollCount(), 1);
}

TEST_F(PollLinuxTest, StartAgainstARefusedPortThenTheNextTickPollsAgain) {
  StartApp();
  Form1->edURL->SetText("127.0.0.1:" + std::to_string(LoopbackRefusedPort()));
  Form1->btnStart->Click();
  std::vector<std::string> expected = {Line("AUTO-POLLING STARTED"), Line("CONNECTION FAILED"),
                                       Line("Connection Failed")};
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(Form1->btnStart->Caption(), "Stop");
  EXPECT_TRUE(Form1->Timer1->Enabled());
  EXPECT_EQ(Form1->NoConnectionCount(), 1);
  clock_->advance(900000);
  ASSERT_TRUE(PumpUntil([this] { return LogLines().size() == 5; }));
  EXPECT_EQ(Form1->PollCount(), 2);
  EXPECT_EQ(Form1->NoConnectionCount(), 2);
}

TEST_F(PollLinuxTest, AnUnresolvableNameLogsInvalidHostThenNullRemoteAddress) {
  int lookups = 0;
  posix::setResolver([&lookups](const std::string& name) {
    ++lookups;
    posix::ResolveAnswer a;
    a.error = WSAHOST_NOT_FOUND;
    return a;
  });
  StartApp();
  Form1->edURL->SetText("no-such-host.invalid");
  Form1->btnPoll->Click();
  std::vector<std::string> expected = {
      Line("MANUAL POLL"), Line("INVALID HOST no-such-host.invalid"), Line("Null Remote Address")};
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(lookups, 2);
  EXPECT_EQ(Form1->PollCount(), 1);
  EXPECT_EQ(Form1->InvalidHostCount(), 1);
}

// The name that failed came from a redirect: the lines after the quoted texts say where
// the poll ended, and the next poll starts from the typed address again.
TEST_F(PollLinuxTest, AHostFromARedirectIsNamedAfterTheErrorLine) {
  posix::setResolver([](const std::string&) {
    posix::ResolveAnswer a;
    a.error = WSAHOST_NOT_FOUND;
    return a;
  });
  gate_.setReply("HTTP/1.0 302 Found\r\nLocation: http://gone.invalid:8080/x\r\n\r\n");
  StartApp();
  Form1->edURL->SetText(gate_.address());
  Form1->btnPoll->Click();
  std::vector<std::string> expected = {Line("MANUAL POLL"), Line("INVALID HOST " + gate_.address()),
                                       Line("Null Remote Address"),
                                       Line("AT REDIRECT TARGET http://gone.invalid:8080/x")};
  EXPECT_EQ(LogLines(), expected);
  gate_.setReply("HTTP/1.0 404 Not Found\r\n\r\n");
  Form1->btnPoll->Click();
  EXPECT_EQ(LogLines().size(), expected.size() + 2);  // "MANUAL POLL", "FAILURE ..." only
  EXPECT_EQ(gate_.accepted(), 2);
}

TEST_F(PollLinuxTest, StopDuringAPollStillLogsItsResultAndNoTickFollows) {
  gate_.openAlways(false);
  StartApp();
  Form1->edURL->SetText(gate_.address());
  WhenRequested(1, [this] {
    Form1->btnStart->Click();
    gate_.open();
  });
  Form1->btnStart->Click();
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], Line("AUTO-POLLING STARTED"));
  EXPECT_EQ(lines[1], Line("AUTO-POLLING STOPPED"));
  EXPECT_EQ(lines[2].rfind(std::string("12/06/26 21:04:35 - SUCCESS "), 0), 0u);
  EXPECT_FALSE(Form1->Timer1->Enabled());
  clock_->advance(900000);
  Application->ProcessMessages();
  EXPECT_EQ(LogLines().size(), 3u);
}
