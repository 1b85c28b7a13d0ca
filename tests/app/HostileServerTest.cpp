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

// A server that does not answer with a status code is down, whatever it did instead
// and whichever of its events the pump saw first: one FAILURE line, counted as a fail.
TEST_F(HostileTest, ADeadServerIsAFailureNeverASuccess) {
  using At = LoopbackGate::AtAccept;
  struct Row {
    const char* what;
    At atAccept;
    bool reset;
    std::string reply;
  };
  const Row rows[] = {
      {"closes at once", At::Close, false, ""},
      {"reads the request and closes", At::Serve, false, ""},
      {"reads the request and resets", At::Serve, true, ""},
      {"closes inside the status line", At::Serve, false, "HTTP/1.0 20"},
      {"a status line without a number", At::Serve, false, "HTTP/1.0 OK\r\n\r\n"},
      {"a status beyond 16 bits", At::Serve, false, "HTTP/1.0 70000 Big\r\n\r\n"},
      {"a signed status", At::Serve, false, "HTTP/1.0 -200 OK\r\n\r\n"},
      {"no status line at all", At::Serve, false, "hello\r\n\r\n"},
      {"a 404 without a reason phrase", At::Serve, false, "HTTP/1.0 404\r\n\r\n"},
  };
  for (const Row& row : rows) {
    for (int attempt = 0; attempt < 3; ++attempt) {  // the same outcome every time
      gate_.atAccept(row.atAccept);
      gate_.resetInsteadOfReply(row.reset);
      gate_.setReply(row.reply);
      const int fails = Form1->FailCount();
      auto lines = PollLines();
      ASSERT_EQ(lines.size(), 1u) << row.what;
      EXPECT_EQ(Message(lines[0]).rfind("FAILURE ", 0), 0u) << row.what << ": " << lines[0];
      EXPECT_EQ(Form1->FailCount(), fails + 1) << row.what;
    }
  }
  gate_.atAccept(At::Serve);
  ExpectNextPollWorks();
}

// A reset the connect notification already carries is a failed connection.
TEST_F(HostileTest, AResetAtOnceIsAFailedConnectionOrAFailure) {
  gate_.atAccept(LoopbackGate::AtAccept::Reset);
  for (int attempt = 0; attempt < 3; ++attempt) {
    auto lines = PollLines();
    ASSERT_FALSE(lines.empty());
    const std::string m = Message(lines[0]);
    EXPECT_TRUE(m == "CONNECTION FAILED." || m.rfind("FAILURE ", 0) == 0) << m;
  }
  gate_.atAccept(LoopbackGate::AtAccept::Serve);
  ExpectNextPollWorks();
}

TEST_F(HostileTest, AStatusWithoutAReasonPhraseIsJudgedByItsCode) {
  gate_.setReply("HTTP/1.0 200\r\n\r\n");
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("SUCCESS " + gate_.address()), std::string::npos) << lines[0];
}

TEST_F(HostileTest, ACloseInTheMiddleOfAHeaderLineKeepsTheStatusRead) {
  gate_.setReply("HTTP/1.0 200 OK\r\nServer: hal");
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("SUCCESS"), std::string::npos);
  ExpectNextPollWorks();
}

TEST_F(HostileTest, ARedirectLoopEndsWithTooManyRedirects) {
  gate_.setReply("HTTP/1.0 302 Found\r\nLocation: http://" + gate_.address() + "/\r\n\r\n");
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Message(lines[0]), "Too many redirects.");
  EXPECT_EQ(Message(lines[1]), "AT REDIRECT TARGET http://" + gate_.address() + "/.");
  EXPECT_EQ(gate_.accepted(), 20);
  ExpectNextPollWorks();
}

// A bare CR in a Location value would become a line of the next request.
TEST_F(HostileTest, ARedirectWithAControlCharacterIsRefusedNotReplayed) {
  gate_.setReply("HTTP/1.0 302 Found\r\nLocation: http://" + gate_.address() +
                 "/a\rX-Injected: 1\r\n\r\n");
  auto lines = PollLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Message(lines[0]), "Redirect refused: control characters in the Location header.");
  EXPECT_EQ(gate_.accepted(), 1);
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
