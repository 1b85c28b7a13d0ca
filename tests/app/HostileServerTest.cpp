// Servers that misbehave on purpose: each poll still ends with one clear log line,
// and the next poll works.
#include "tests/app/AppCore.h"
#include "tests/app/HostileFixture.h"

class HostileTest : public HostileFixture<AppCore> {};

TEST_F(HostileTest, AHeaderLineWithoutLineEndPast64KiBIsAnError) {
  gate_.setReply("HTTP/1.0 200 OK\r\nX: " + std::string(70000, 'a'));
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].find("SUCCESS"), std::string::npos);
  ExpectNextPollWorks();
}

TEST_F(HostileTest, BinaryGarbageAndNulBytesCannotCutTheLog) {
  Form1->cbxHeader->SetChecked(true);
  gate_.setReply(std::string("HTTP/1.0 200 OK\r\nX: a\0b\xff\r\n\r\n", 26));
  auto lines = PollLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2], "X: a?b\xff");
  Form1->cbxHeader->SetChecked(false);
  ExpectNextPollWorks();
}

TEST_F(HostileTest, ACloseInTheMiddleOfALineCountsAsAnEmptyAnswer) {
  gate_.setReply("HTTP/1.0 200 OK\r\nServer: hal");
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("SUCCESS"), std::string::npos);
  ExpectNextPollWorks();
}

// Depending on whether the close event or the read sees the reset first, the poll
// ends as an empty answer (status 0) or with the socket error text.
TEST_F(HostileTest, AResetInsteadOfAnAnswerEndsThePollWithOneLine) {
  gate_.resetInsteadOfReply(true);
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  const std::string m = Message(lines[0]);
  EXPECT_TRUE(m.rfind("SUCCESS", 0) == 0 || m == "10054:Connection reset by peer.") << m;
  ExpectNextPollWorks();
}

TEST_F(HostileTest, ARedirectLoopEndsWithTooManyRedirects) {
  gate_.setReply("HTTP/1.0 302 Found\r\nLocation: http://" + gate_.address() + "/\r\n\r\n");
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Message(lines[0]), "Too many redirects.");
  EXPECT_EQ(gate_.accepted(), 20);
  ExpectNextPollWorks();
}

TEST_F(HostileTest, ThousandsOfHeaderLinesAreCountedAsHeaderBytes) {
  std::string reply = "HTTP/1.0 200 OK\r\n";
  for (int i = 0; i < 5000; ++i) reply += "X-Line: " + std::to_string(i) + "\r\n";
  reply += "\r\n";
  gate_.setReply(reply);
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("SUCCESS"), std::string::npos);
  EXPECT_EQ(Form1->HeaderBytes(), double(reply.size()));
  ExpectNextPollWorks();
}
