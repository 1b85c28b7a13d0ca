// The poll cycle against loopback servers: outcomes, the busy guard, the timer.
#include "tests/app/AppCore.h"
#include "tests/app/GateFixture.h"

using ::testing::ElementsAre;

class PollTest : public GateFixture<AppCore> {};

TEST_F(PollTest, ASuccessLogsUrlAndElapsedAndSendsTheHeadRequest) {
  StartApp();
  Form1->edURL->SetText(gate_.address());
  Form1->btnPoll->Click();
  EXPECT_THAT(LogLines(), ElementsAre(IsLine("MANUAL POLL"),
                                      IsLine("SUCCESS " + gate_.address() + " " + kElapsed)));
  EXPECT_EQ(Form1->SuccessCount(), 1);
  EXPECT_EQ(Form1->PollCount(), 1);
  EXPECT_FALSE(Form1->Busy());
  ASSERT_EQ(gate_.requests().size(), 1u);
  const std::string start = "HEAD / HTTP/1.0\r\nHost: " + gate_.address() + "\r\n";
  EXPECT_EQ(gate_.requests()[0].rfind(start, 0), 0u);
}

TEST_F(PollTest, A404LogsAFailureWithTheElapsedTime) {
  gate_.setReply("HTTP/1.0 404 Not Found\r\n\r\n");
  StartApp();
  Form1->edURL->SetText(gate_.address());
  Form1->btnPoll->Click();
  EXPECT_THAT(LogLines().at(1), IsLine("FAILURE " + kElapsed));
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

TEST_F(PollTest, AnEmptyAddressLogsEmptyUrlOnEveryPoll) {
  StartApp();
  Form1->edURL->SetText("");
  Form1->btnPoll->Click();
  Form1->btnPoll->Click();
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_THAT(lines[1], IsLine("Empty URL"));
  EXPECT_THAT(lines[3], IsLine("Empty URL"));
  EXPECT_FALSE(Form1->Busy());
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
  Advance(1000);
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
    EXPECT_THAT(lines[size_t(i)],
                IsLine("FREQUENCY CHANGED to " + std::to_string(16 + i) + " MINUTES"));
  EXPECT_EQ(Form1->Timer1->Interval(), 1200000u);
}

TEST_F(PollTest, ATypedIntervalOutsideTheLimitsNeverStopsOrOverflowsTheTimer) {
  StartApp();
  Form1->edFreq->SetText("0");
  EXPECT_EQ(Form1->Timer1->Interval(), 60000u);
  Form1->edFreq->SetText("99999");
  EXPECT_EQ(Form1->Timer1->Interval(), 600000000u);
}
