// The poll cycle against loopback servers: outcomes, the busy guard, the timer.
#include <thread>

#include "tests/app/AppFixture.h"
#include "tests/support/GateServer.h"

namespace {
std::string Line(const std::string& message) { return "12/06/26 21:04:35 - " + message + "."; }
}  // namespace

class PollTest : public AppTest {
 protected:
  GateServer gate_;
  std::thread helper_;
  void TearDown() override {
    gate_.open();
    if (helper_.joinable()) helper_.join();
    AppTest::TearDown();
  }
  // Runs f on the GUI thread once the server holds n requests.
  void WhenRequested(int n, std::function<void()> f) {
    helper_ = std::thread([this, n, f] {
      gate_.waitAccepted(n);
      OnGui(f);
    });
  }
};

TEST_F(PollTest, ASuccessLogsUrlAndElapsedAndSendsTheHeadRequest) {
  StartApp();
  Form1->edURL->SetText(gate_.address());
  Form1->btnPoll->Click();
  std::vector<std::string> expected = {Line("MANUAL POLL"),
                                       Line("SUCCESS " + gate_.address() + " 00:00:00.000")};
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(Form1->SuccessCount(), 1);
  EXPECT_EQ(Form1->PollCount(), 1);
  EXPECT_FALSE(Form1->Busy());
  ASSERT_EQ(gate_.requests().size(), 1u);
  EXPECT_EQ(gate_.requests()[0].rfind("HEAD / HTTP/1.0\r\nHost: 127.0.0.1\r\n", 0), 0u);
}

TEST_F(PollTest, A404LogsAFailureWithTheElapsedTime) {
  gate_.setReply("HTTP/1.0 404 Not Found\r\n\r\n");
  StartApp();
  Form1->edURL->SetText(gate_.address());
  Form1->btnPoll->Click();
  EXPECT_EQ(LogLines().at(1), Line("FAILURE 00:00:00.000"));
  EXPECT_EQ(Form1->FailCount(), 1);
  EXPECT_EQ(Form1->SuccessCount(), 0);
}

TEST_F(PollTest, DisplayHeaderEndsTheSuccessLineWithTheHeader) {
  gate_.setReply("HTTP/1.0 200 OK\r\nServer: gate\r\n\r\n");
  StartApp();
  Form1->cbxHeader->SetChecked(true);
  Form1->edURL->SetText(gate_.address());
  Form1->btnPoll->Click();
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2], "HTTP/1.0 200 OK");
  EXPECT_EQ(lines[3], "Server: gate");
  EXPECT_EQ(lines[5], ".");
  EXPECT_EQ(Form1->HeaderBytes(), 33.0);
}

TEST_F(PollTest, ASecondPollNowWhileBusyShowsTheBusyBoxAndOneOutcome) {
  gate_.openAlways(false);
  StartApp();
  Form1->edURL->SetText(gate_.address());
  WhenRequested(1, [this] {
    Form1->btnPoll->Click();
    gate_.open();
  });
  Form1->btnPoll->Click();
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], Line("MANUAL POLL"));
  EXPECT_EQ(lines[1], Line("MANUAL POLL"));
  EXPECT_EQ(lines[2].find(std::string("12/06/26 21:04:35 - SUCCESS ")), 0u);
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0].text, "Busy waiting for response - please wait a moment.");
  EXPECT_EQ(dialogs_[0].type, UINT(MB_OK));
  EXPECT_EQ(Form1->PollCount(), 1);
}

TEST_F(PollTest, StartAgainstARefusedPortThenTheNextTickPollsAgain) {
  StartApp();
  Form1->edURL->SetText("127.0.0.1:" + std::to_string(GateServer::refusedPort()));
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

TEST_F(PollTest, AnEmptyAddressLogsEmptyUrlOnEveryPoll) {
  StartApp();
  Form1->edURL->SetText("");
  Form1->btnPoll->Click();
  Form1->btnPoll->Click();
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], Line("Empty URL"));
  EXPECT_EQ(lines[3], Line("Empty URL"));
  EXPECT_FALSE(Form1->Busy());
}

TEST_F(PollTest, AnUnresolvableNameLogsInvalidHostThenNullRemoteAddress) {
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

TEST_F(PollTest, StopDuringAPollStillLogsItsResultAndNoTickFollows) {
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

TEST_F(PollTest, ATickDuringALongPollIsDeferredToOneSecondChecks) {
  gate_.openAlways(false);
  StartApp();
  Form1->edURL->SetText(gate_.address());
  UINT during = 0;
  WhenRequested(1, [this, &during] {
    Form1->Timer1Timer(Form1->Timer1);
    during = Form1->Timer1->Interval();
    gate_.openAlways(true);
    gate_.open();
  });
  Form1->btnStart->Click();
  EXPECT_EQ(during, 1000u);
  EXPECT_EQ(Form1->PollCount(), 1);
  clock_->advance(1000);
  ASSERT_TRUE(PumpUntil([] { return Form1->PollCount() == 2; }));
  EXPECT_EQ(Form1->Timer1->Interval(), 900000u);
  EXPECT_EQ(gate_.accepted(), 2);
}

TEST_F(PollTest, ArrowsFrom15To20LogFiveFrequencyChanges) {
  StartApp();
  for (int i = 0; i < 5; ++i) SendMessageA(Form1->edFreq->Handle(), WM_KEYDOWN, VK_UP, 0);
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 5u);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(lines[size_t(i)],
              Line("FREQUENCY CHANGED to " + std::to_string(16 + i) + " MINUTES"));
  EXPECT_EQ(Form1->Timer1->Interval(), 1200000u);
}

TEST_F(PollTest, ATypedIntervalOutsideTheLimitsNeverStopsOrOverflowsTheTimer) {
  StartApp();
  Form1->edFreq->SetText("0");
  EXPECT_EQ(Form1->Timer1->Interval(), 60000u);
  Form1->edFreq->SetText("99999");
  EXPECT_EQ(Form1->Timer1->Interval(), 600000000u);
}
