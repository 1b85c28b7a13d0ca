// Socket error texts, the tolerated error numbers, and the status-report levels.
#include "tests/socket/SocketFixture.h"

namespace {

class ErrorsTest : public SocketTest {
 protected:
  std::vector<std::string> statuses;
  void record(TSocketClient& c) {
    c.OnStatus = [this](TObject*, const std::string& s) { statuses.push_back(s); };
  }
};

class CheckProbe : public ProbeClient {
 public:
  using ProbeClient::ProbeClient;
  using TSocketClient::CheckSocketError;
  using TSocketClient::ReportStatus;
};

TEST_F(ErrorsTest, ErrorTextsOfKnownUnknownAndZero) {
  auto c = makeClient("127.0.0.1", 1);
  std::string text;
  c->SocketErrorText(10061, text);
  EXPECT_EQ(text, "10061:Connection refused");
  c->SocketErrorText(12345, text);
  EXPECT_EQ(text, "Unknown Error No. 12345");
  text = "stale";
  c->SocketErrorText(0, text);
  EXPECT_EQ(text, "");
  c->SocketErrorText(10054, text);
  EXPECT_EQ(text, "10054:Connection reset by peer");
  c->SocketErrorText(11003, text);
  EXPECT_EQ(text, "11003:Non-Recoverable error: FORMERR, REFUSED, NOTIMP");
  c->SocketErrorText(10093, text);
  EXPECT_EQ(text, "10093:Successful WSAStartup not yet performed");
  c->SocketErrorText(10072, text);
  EXPECT_EQ(text, "Unknown Error No. 10072");
}

TEST_F(ErrorsTest, WouldBlockAndSmallNumbersNeverRaise) {
  TOwnedPtr<CheckProbe> c(TComponent::Create<CheckProbe>(nullptr));
  std::string text = "x";
  WSASetLastError(WSAEWOULDBLOCK);
  EXPECT_NO_THROW(c->CheckSocketError(WSAEWOULDBLOCK, text));
  EXPECT_EQ(text, "");
  WSASetLastError(10000);
  EXPECT_NO_THROW(c->CheckSocketError(WSAEWOULDBLOCK, text));
  WSASetLastError(WSAECONNRESET);
  EXPECT_EQ(errorOf([&] { c->CheckSocketError(WSAEWOULDBLOCK, text); }),
            "10054:Connection reset by peer");
  EXPECT_EQ(c->GetLastErrorNo(), WSAECONNRESET);
}

TEST_F(ErrorsTest, ReportLevelZeroDeliversNothing) {
  LoopbackServer server([](LoopbackConn& s) { s.hold(); });
  auto c = makeClient("127.0.0.1", server.port());
  record(*c);
  c->Connect();
  c->Write("x");
  c->Disconnect();
  EXPECT_TRUE(statuses.empty());
  EXPECT_EQ(c->GetStatusText(), "");
}

TEST_F(ErrorsTest, ReportLevelFourDeliversLevelsUpToFour) {
  LoopbackServer server([](LoopbackConn& s) { s.hold(); });
  auto c = makeClient("127.0.0.1", server.port());
  c->ReportLevel = 4;
  record(*c);
  c->Connect();
  c->Write("x");
  c->Disconnect();
  EXPECT_EQ(statuses, (std::vector<std::string>{"Sending Buffer", "Request Close Socket"}));
}

TEST_F(ErrorsTest, ReportLevelEightDeliversEveryReportInOrder) {
  LoopbackServer server([](LoopbackConn& s) { s.hold(); });
  auto c = makeClient("127.0.0.1", server.port());
  c->ReportLevel = 8;
  record(*c);
  c->Connect();
  c->Write("x");
  c->Cancel();
  c->Disconnect();
  EXPECT_EQ(statuses, (std::vector<std::string>{
                          "Connecting", "Resolve Host", "Timer On", "Timer Off",  // Connect
                          "Write", "Sending Buffer", "Timer On", "Timer Off",     // Write
                          "Canceling", "Disconnecting", "Request Close Socket"}));
  EXPECT_EQ(c->GetStatusText(), "Request Close Socket");
}

TEST_F(ErrorsTest, StatusHandlerExceptionsAreSwallowed) {
  TOwnedPtr<CheckProbe> c(TComponent::Create<CheckProbe>(nullptr));
  c->ReportLevel = 8;
  c->OnStatus = [](TObject*, const std::string&) { throw Exception("display broke"); };
  EXPECT_NO_THROW(c->ReportStatus(2, "Transaction Completed"));
  EXPECT_EQ(c->GetStatusText(), "Transaction Completed");
  c->ReportLevel = 1;
  c->ReportStatus(2, "filtered");
  EXPECT_EQ(c->GetStatusText(), "Transaction Completed");
}

// The connection is closed, but neither status reports nor OnDisconnect run.
TEST_F(ErrorsTest, NoReportsReachOnStatusDuringDestruction) {
  LoopbackServer server([](LoopbackConn& s) { s.hold(); });
  auto c = makeClient("127.0.0.1", server.port());
  c->Connect();
  c->ReportLevel = 8;
  record(*c);
  events.clear();
  c.reset();
  EXPECT_TRUE(statuses.empty());
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(server.waitFinished(0)) << "the connection was closed";
}

}  // namespace
