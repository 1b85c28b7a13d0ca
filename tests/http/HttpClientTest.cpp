// THttpClient: outcome events, redirects, cookie replay, the pass bound and failures.
#include "tests/http/HttpFixture.h"
#include "tests/support/Loopback.h"

namespace {

using Events = std::vector<std::string>;

TEST_F(HttpTest, Status200FiresSuccessWithTheCommand) {
  recordOutcomes();
  server.reply("HTTP/1.0 200 OK\r\nServer: s\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(events, (Events{"success 2"}));
  EXPECT_EQ(http->Header, "HTTP/1.0 200 OK\r\nServer: s\r\n\r\n");
  EXPECT_EQ(http->Body, "");
  EXPECT_EQ(http->GetReplyNumber(), 200);
}

TEST_F(HttpTest, SuccessReportsTransactionCompleted) {
  std::vector<std::string> status;
  http->ReportLevel = 2;
  http->OnStatus = [&](TObject*, const std::string& s) { status.push_back(s); };
  server.reply("HTTP/1.0 204 No Content\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(status, (Events{"Transaction Completed"}));
}

TEST_F(HttpTest, Status404FiresFailure) {
  recordOutcomes();
  server.reply("HTTP/1.0 404 Not Found\r\n\r\n");
  http->Get(at("/missing"));
  EXPECT_EQ(events, (Events{"failure 0"}));
}

TEST_F(HttpTest, Status401FiresFailureThenAuthenticationNeededAndNoFurtherPass) {
  recordOutcomes();
  server.reply("HTTP/1.0 401 Unauthorized\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(events, (Events{"failure 2", "auth"}));
  ASSERT_TRUE(server.waitServed(1));
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpTest, ServerClosingWithoutAWordIsAFailure) {
  recordOutcomes();
  http->Header = "old";
  http->Body = "old";
  server.reply("");
  http->Head(at("/"));
  EXPECT_EQ(events, (Events{"failure 2"}));
  EXPECT_EQ(http->Header, "");
  EXPECT_EQ(http->Body, "");
}

TEST_F(HttpTest, CodeWithoutBlankAfterItIsJudgedByTheCode) {
  recordOutcomes();
  server.reply("HTTP/1.0 404\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(events, (Events{"failure 2"}));
  EXPECT_EQ(http->GetReplyNumber(), 404);
}

// The peer's close may already have been handled inside a pump (which clears the
// connected flag), so the order is checked against the operation's own Disconnect.
TEST_F(HttpTest, OutcomeEventsFireBeforeTheOperationDisconnects) {
  int disconnects = 0;
  int disconnectsAtOutcome = -1;
  http->OnDisconnect = [&](TObject*) { ++disconnects; };
  http->OnSuccess = [&](CmdType) { disconnectsAtOutcome = disconnects; };
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head(at("/"));
  ASSERT_GE(disconnectsAtOutcome, 0);
  EXPECT_GT(disconnects, disconnectsAtOutcome);
  EXPECT_FALSE(http->IsConnected());
}

class HttpViaProxyTest : public HttpTest {
 protected:
  void SetUp() override {
    HttpTest::SetUp();
    http->Proxy = "127.0.0.1";
    http->ProxyPort = server.port();
  }
  std::string firstLine(size_t i) {
    std::string r = request(i);
    return r.substr(0, r.find("\r\n"));
  }
};

TEST_F(HttpViaProxyTest, LocationWithoutSlashIsTakenRelativeToTheHost) {
  server.reply("HTTP/1.0 302 Found\r\nLocation: page.htm\r\n\r\n");
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head("http://pollhost/start");
  EXPECT_EQ(firstLine(1), "HEAD http://pollhost/page.htm HTTP/1.0");
}

TEST_F(HttpViaProxyTest, Redirect302WithoutAnyLocationGoesToTheHostRoot) {
  server.reply("HTTP/1.0 302 Found\r\n\r\n");
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head("http://pollhost/start");
  EXPECT_EQ(firstLine(1), "HEAD http://pollhost// HTTP/1.0");
}

TEST_F(HttpViaProxyTest, Redirect302WithoutLocationReusesTheLastOneOfTheCall) {
  server.reply("HTTP/1.0 302 Found\r\nLocation: http://pollhost/one\r\n\r\n");
  server.reply("HTTP/1.0 302 Found\r\n\r\n");
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head("http://pollhost/a");
  EXPECT_EQ(firstLine(2), "HEAD http://pollhost/one HTTP/1.0");
}

TEST_F(HttpTest, Status299And304RepeatTheSameUrl) {
  recordOutcomes();
  server.reply("HTTP/1.0 304 Not Modified\r\nLocation: /elsewhere\r\n\r\n");
  server.reply("HTTP/1.0 299 Odd\r\n\r\n");
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Get(at("/same"));
  EXPECT_EQ(events, (Events{"redirect", "success 0"}));  // 299 is no redirect status
  EXPECT_EQ(request(0), request(1));
  EXPECT_EQ(request(1), request(2));
}

TEST_F(HttpTest, CookieOfOtherStatusesIsNotKept) {
  server.reply("HTTP/1.0 200 OK\r\nSet-Cookie: a=1\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(http->ReceivedCookie, "a=1");
  EXPECT_EQ(http->HeaderInfo()->Cookie, "");
}

TEST_F(HttpTest, HandledRedirectEndsTheCycle) {
  recordOutcomes();
  http->OnRedirect = [&](bool& handled) {
    events.push_back("redirect");
    handled = true;
  };
  server.reply("HTTP/1.0 301 Moved\r\nLocation: /x\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(events, (Events{"redirect"}));
  EXPECT_EQ(http->RequestURL, "/x");
  EXPECT_TRUE(server.waitServed(1));
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpTest, TwentyPassesThenTooManyRedirects) {
  recordOutcomes();
  for (int i = 0; i < THttpClient::kMaxPasses + 1; ++i)
    server.reply("HTTP/1.0 302 Found\r\nLocation: " + at("/loop") + "\r\n\r\n");
  try {
    http->Head(at("/loop"));
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Too many redirects");
  }
  ASSERT_TRUE(server.waitServed(THttpClient::kMaxPasses));
  EXPECT_EQ(server.requests().size(), size_t(THttpClient::kMaxPasses));
  EXPECT_EQ(events, Events(THttpClient::kMaxPasses, "redirect"));
  EXPECT_FALSE(http->IsConnected());
}

TEST_F(HttpTest, HeaderIsKeptAfterAFailedConnect) {
  bool failed = false;
  http->OnConnectionFailed = [&](TObject*) { failed = true; };
  server.reply("HTTP/1.0 200 OK\r\nServer: s\r\n\r\n");
  http->Head(at("/"));
  const std::string header = http->Header;
  try {
    http->Head("http://127.0.0.1:" + std::to_string(LoopbackRefusedPort()) + "/");
    ADD_FAILURE() << "no exception";
  } catch (const ESockError& e) {
    EXPECT_EQ(e.Message(), "Connection Failed");
  }
  EXPECT_TRUE(failed);
  EXPECT_EQ(http->Header, header);
}

TEST_F(HttpTest, HandlerExceptionLeavesAfterDisconnect) {
  int disconnects = 0;
  http->OnDisconnect = [&](TObject*) { ++disconnects; };
  http->OnSuccess = [](CmdType) { throw Exception("handler says no"); };
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  try {
    http->Head(at("/"));
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "handler says no");
  }
  // The server's close may already have closed the socket (one more OnDisconnect)
  // before the engine's own Disconnect; either way it did disconnect.
  EXPECT_GE(disconnects, 1);
  EXPECT_FALSE(http->IsConnected());
}

TEST_F(HttpTest, AbortDuringTheBodyEndsWithCaptureAborted) {
  recordOutcomes();
  http->OnPacketRecvd = [&](TObject*) { http->Abort(); };
  server.reply("HTTP/1.0 200 OK\r\n\r\n", std::string(4096, 'b'));
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  try {
    http->Get(at("/"));
    ADD_FAILURE() << "no exception";
  } catch (const EAbortError& e) {
    EXPECT_EQ(e.Message(), "Socket capture aborted");
  }
  EXPECT_TRUE(events.empty());
  http->OnPacketRecvd = nullptr;
  http->Head(at("/"));  // the next request works
  EXPECT_EQ(events, (Events{"success 2"}));
}

// A server that takes the connection but never answers the TLS hello: the handshake
// is one more wait under the time-out, a failed connection like any other.
TEST_F(HttpTest, AHandshakeThatNeverEndsTimesOutAsAFailedConnection) {
  if (!TSecureChannel::Available()) GTEST_SKIP() << "built without TLS";
  LoopbackServer silent([](LoopbackConn& conn) { conn.hold(); });
  int failed = 0;
  http->OnConnectionFailed = [&](TObject*) { ++failed; };
  http->TimeOut = 300;
  try {
    http->Head("https://127.0.0.1:" + silent.portText() + "/");
    ADD_FAILURE() << "no exception";
  } catch (const ESockError& e) {
    EXPECT_EQ(e.Message(), "Connection Timed out");
  }
  EXPECT_EQ(failed, 1);
  EXPECT_TRUE(http->Secure);
}

}  // namespace
