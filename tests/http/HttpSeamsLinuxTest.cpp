// THttpClient tests that lean on the Linux platform's seams. Host names: requests to
// named hosts and through a named proxy, a redirect to another name, a host that does
// not resolve - answered by the resolver seam (every name but "nohost" is 127.0.0.1),
// never DNS. The manual clock: an endless body against the time-out.
#include "platform/posix/Seams.h"
#include "tests/http/HttpFixture.h"

namespace {

using Events = std::vector<std::string>;

constexpr uint32_t kLoopbackNetOrder = 0x0100007F;  // 127.0.0.1 as it lies in memory

void InstallTestResolver() {
  posix::setResolver([](const std::string& name) {
    posix::ResolveAnswer a;
    if (name == "nohost")
      a.error = 11001;
    else
      a.addr = kLoopbackNetOrder;
    return a;
  });
}

// Leaves a resolver that refuses everything, so no later test can reach DNS.
void RefuseAllNames() {
  posix::setResolver([](const std::string&) { return posix::ResolveAnswer{0, 11001, 0}; });
}

class HttpLookupTest : public HttpTest {
 protected:
  void SetUp() override {
    InstallTestResolver();
    HttpTest::SetUp();
  }
  void TearDown() override {
    HttpTest::TearDown();
    RefuseAllNames();
  }
};

TEST_F(HttpLookupTest, Redirect302FollowsLocationAndOnlyTheLastPassFiresAnOutcome) {
  recordOutcomes();
  std::string target = "http://other:" + server.portText() + "/x";
  server.reply("HTTP/1.0 302 Found\r\nLocation: " + target + "\r\n\r\n");
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head(at("/start"));
  EXPECT_EQ(events, (Events{"redirect", "success 2"}));
  EXPECT_EQ(http->RedirectTarget, target);
  EXPECT_EQ(http->RedirectedTo(), target);
  EXPECT_EQ(http->Host, "127.0.0.1");  // the call's own address again
  std::string second = request(1);
  EXPECT_EQ(second.substr(0, second.find("\r\n", second.find("\r\n") + 2) + 2),
            "HEAD /x HTTP/1.0\r\nHost: other:" + server.portText() + "\r\n");
}

TEST_F(HttpLookupTest, UnresolvedHostFiresInvalidHostAndRaises) {
  int invalid = 0;
  http->OnInvalidHost = [&](bool&) { ++invalid; };
  try {
    http->Head("nohost");
    ADD_FAILURE() << "no exception";
  } catch (const ESockError& e) {
    EXPECT_EQ(e.Message(), "Null Remote Address");
  }
  EXPECT_EQ(invalid, 1);
  // The socket was replaced: the next request works.
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(http->GetReplyNumber(), 200);
}

TEST(HttpRequestWorkedExample, ProgramRequestGoesToPort80ByteForByte) {
  InstallTestResolver();
  LoopbackReplies server80(80);
  if (!server80.listening()) GTEST_SKIP() << "port 80 on 127.0.0.1 is taken";
  server80.reply("HTTP/1.0 200 OK\r\n\r\n");
  TOwnedPtr<THttpClient> http(TComponent::Create<THttpClient>(nullptr));
  http->TimeOut = 20000;
  http->HeaderInfo()->LocalProgram = "Pollarion";
  http->HeaderInfo()->Referer = "Pollarion";
  http->Head("pollhost");
  ASSERT_TRUE(server80.waitServed(1));
  EXPECT_EQ(server80.requests()[0],
            "HEAD / HTTP/1.0\r\n"
            "Host: pollhost\r\n"
            "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
            "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
            "User-Agent: Pollarion\r\n"
            "Referer: Pollarion\r\n"
            "Content-type: application/x-www-form-urlencoded\r\n"
            "\r\n");
  EXPECT_EQ(http->Port, 80);
  EXPECT_EQ(http->RequestURL, "pollhost/");
}

TEST_F(HttpLookupTest, HostWithPortAndNoSchemeConnectsThere) {
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head("pollhost:" + server.portText());
  EXPECT_EQ(request(), Expected("HEAD / HTTP/1.0", "pollhost:" + server.portText()));
  EXPECT_EQ(http->Port, server.port());
  EXPECT_EQ(http->Host, "pollhost");
}

TEST_F(HttpLookupTest, PathIsSentAndLaterUrlWithoutPortUsesPort80Again) {
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Get("http://pollhost:" + server.portText() + "/a/b");
  EXPECT_EQ(request(), Expected("GET /a/b HTTP/1.0", "pollhost:" + server.portText()));
  // Through a proxy the connection goes to the scripted server whatever the URL's port.
  http->Proxy = "127.0.0.1";
  http->ProxyPort = server.port();
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head("http://other/");
  EXPECT_EQ(http->Port, 80);
  EXPECT_EQ(request(1),
            "HEAD http://other// HTTP/1.0\r\nProxy-Connection: Keep-Alive\r\n"
            "Host: other\r\n" +
                std::string(kAccepts) + kContentType + "\r\n");
}

class HttpProxyTest : public HttpLookupTest {
 protected:
  void SetUp() override {
    HttpLookupTest::SetUp();
    http->Proxy = "proxyhost";
    http->ProxyPort = server.port();
    server.reply("HTTP/1.0 200 OK\r\n\r\n");
  }
  std::string ExpectedViaProxy(const std::string& line, const std::string& host) {
    return line + "\r\nProxy-Connection: Keep-Alive\r\nHost: " + host + "\r\n" + kAccepts +
           kContentType + "\r\n";
  }
};

TEST_F(HttpProxyTest, RequestLineCarriesTheWholeUrl) {
  http->Head("http://host/");
  EXPECT_EQ(request(), ExpectedViaProxy("HEAD http://host// HTTP/1.0", "host"));
}

TEST_F(HttpProxyTest, HostTextWithoutSchemeGetsSlash) {
  http->Head("host");
  EXPECT_EQ(request(), ExpectedViaProxy("HEAD host/ HTTP/1.0", "host"));
}

TEST_F(HttpProxyTest, FtpAndGopherSchemesSetTheirPortsAndStillSendHttp) {
  http->Head("ftp://host/x");
  EXPECT_EQ(request(), ExpectedViaProxy("HEAD ftp://host/x HTTP/1.0", "host"));
  EXPECT_EQ(http->Port, 21);
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head("gopher://host/x");
  EXPECT_EQ(request(1), ExpectedViaProxy("HEAD gopher://host/x HTTP/1.0", "host"));
  EXPECT_EQ(http->Port, 70);
}

TEST_F(HttpTest, EndlessHeadBodyStaysBoundedUntilTheTimeOut) {
  posix::ManualClock clock;
  posix::setClock(&clock);
  TOwnedPtr<THttpClient> timed(TComponent::Create<THttpClient>(nullptr));
  timed->TimeOut = 1000;
  int packets = 0;
  timed->OnPacketRecvd = [&](TObject*) {
    ++packets;
    clock.advance(50);
  };
  // Body bytes come with the header: a HEAD answer with nothing after its header is
  // complete at once.
  server.reply("HTTP/1.0 200 OK\r\n\r\n" + std::string(8192, 'e'), std::string(8192, 'e'));
  try {
    timed->Head(at("/"));
    ADD_FAILURE() << "no exception";
  } catch (const EAbortError& e) {
    EXPECT_EQ(e.Message(), "Socket capture aborted");
  }
  EXPECT_GE(packets, 20);
  EXPECT_LE(timed->Body.size(), THttpClient::kMaxHeadBody);
  EXPECT_GT(timed->GetBytesRecvd(), int32_t(THttpClient::kMaxHeadBody));
  timed.reset();
  posix::setClock(nullptr);
}

}  // namespace
