// THttpClient: reading the header block, the named response lines and the body.
#include "tests/http/HttpFixture.h"
#include "tests/support/TempDir.h"

namespace {

using testsupport::readFile;

TEST_F(HttpTest, HeaderBlockIsKeptByteForByteAndBodyIsTheRest) {
  server.reply("HTTP/1.0 200 OK\r\nA: b\nC: d\r\n\r\nbody\r\n\r\nmore");
  http->Get(at("/"));
  EXPECT_EQ(http->Header, "HTTP/1.0 200 OK\r\nA: b\nC: d\r\n\r\n");
  EXPECT_EQ(http->Body, "body\r\n\r\nmore");
}

TEST_F(HttpTest, HeaderEndedByBareLfLinesEndsOnTheLoneLf) {
  server.reply("HTTP/1.0 200 OK\nServer: x\n\nBODY\n\nrest");
  http->Get(at("/"));
  EXPECT_EQ(http->Header, "HTTP/1.0 200 OK\nServer: x\n\n");
  EXPECT_EQ(http->Body, "BODY\n\nrest");
}

TEST_F(HttpTest, HeaderCutShortByTheCloseIsKeptAsReceived) {
  server.reply("HTTP/1.0 200 OK\r\nServer: x\r\nPartial");
  http->Get(at("/"));
  EXPECT_EQ(http->Header, "HTTP/1.0 200 OK\r\nServer: x\r\n");
  EXPECT_EQ(http->Body, "");
}

TEST_F(HttpTest, LocationIsTakenWithoutLineEndAndKeptForTheRestOfTheCall) {
  server.reply("HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n");
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(http->RedirectTarget, "/x");
  http->Head(at("/"));
  EXPECT_EQ(http->RedirectTarget, "");  // each call starts without one
}

TEST_F(HttpTest, LongLocationIsCutTo256Characters) {
  std::string value = "http://other/" + std::string(400, 'p');
  server.reply("HTTP/1.0 200 OK\r\nLocation: " + value + "\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(http->RedirectTarget, value.substr(0, 256));
}

TEST_F(HttpTest, SetCookieMatchesAnyCaseButNeedsTheBlank) {
  server.reply("HTTP/1.0 200 OK\r\nset-cookie: low=1\r\nSet-Cookie:tight=2\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(http->ReceivedCookie, "low=1");
}

TEST_F(HttpTest, LastSetCookieWinsAndEachResponseStartsWithout) {
  server.reply("HTTP/1.0 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie: b=2\r\n\r\n");
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(http->ReceivedCookie, "b=2");
  http->Head(at("/"));
  EXPECT_EQ(http->ReceivedCookie, "");
}

TEST_F(HttpTest, StatusLineIsNotScannedForNamedLines) {
  server.reply("Location: /x 200\r\n\r\n");
  http->Head(at("/"));
  EXPECT_EQ(http->RedirectTarget, "");
}

TEST_F(HttpTest, StatusOutsideSixteenBitsIsAFailure) {
  std::vector<std::string> events;
  http->OnSuccess = [&](CmdType) { events.push_back("success"); };
  http->OnFailure = [&](CmdType) { events.push_back("failure"); };
  server.reply("HTTP/1.0 65836 Wrapped\r\n\r\n");  // would wrap to 300
  http->Head(at("/"));
  EXPECT_EQ(events, (std::vector<std::string>{"failure"}));
  EXPECT_EQ(http->GetReplyNumber(), 0);
}

TEST_F(HttpTest, HeadKeepsAtMost64KiBOfABodyAndReadsTheRest) {
  std::string body(200 * 1024, 'z');
  body[0] = 'A';
  server.reply("HTTP/1.0 200 OK\r\n\r\n" + body);
  http->Head(at("/"));
  EXPECT_EQ(http->Body, body.substr(0, THttpClient::kMaxHeadBody));
  EXPECT_EQ(http->GetBytesRecvd(), int32_t(body.size()));
}

class TSmallBodyClient : public THttpClient {
 public:
  explicit TSmallBodyClient(TComponent* owner) : THttpClient(owner) { MaxStringBody = 1000; }
};

TEST_F(HttpTest, StringBodyPastItsBoundEndsTheCallWithAnError) {
  TOwnedPtr<TSmallBodyClient> small(TComponent::Create<TSmallBodyClient>(nullptr));
  bool outcome = false;
  small->OnSuccess = [&](CmdType) { outcome = true; };
  server.reply("HTTP/1.0 200 OK\r\n\r\n" + std::string(5000, 'q'));
  try {
    small->Get(at("/"));
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Response body too large");
  }
  EXPECT_FALSE(outcome);
  EXPECT_EQ(small->Body, std::string(1000, 'q'));
  EXPECT_FALSE(small->IsConnected());
}

TEST_F(HttpTest, StringBodyAtExactlyItsBoundIsFine) {
  TOwnedPtr<TSmallBodyClient> small(TComponent::Create<TSmallBodyClient>(nullptr));
  server.reply("HTTP/1.0 200 OK\r\n\r\n" + std::string(1000, 'q'));
  small->Get(at("/"));
  EXPECT_EQ(small->Body.size(), 1000u);
}

TEST_F(HttpTest, EndlessHeaderLinesEndWithAnError) {
  std::string lines;
  const std::string line = "X-Filler: " + std::string(1000, 'f') + "\r\n";
  for (int i = 0; i < 1100; ++i) lines += line;  // past 1 MiB
  server.reply("HTTP/1.0 200 OK\r\n" + lines + "\r\n");
  try {
    http->Head(at("/"));
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Response header too large");
  }
}

TEST_F(HttpTest, ThousandsOfHeaderLinesAreRead) {
  std::string lines;
  for (int i = 0; i < 5000; ++i) lines += "X-Filler: " + std::to_string(i) + "\r\n";
  server.reply("HTTP/1.0 200 OK\r\n" + lines + "\r\n");
  http->Head(at("/"));
  EXPECT_EQ(http->Header, "HTTP/1.0 200 OK\r\n" + lines + "\r\n");
}

TEST_F(HttpTest, FileModesWriteHeaderAndBodyToTheirFiles) {
  testsupport::TempDir dir;
  const std::string headName = dir.file("http_mode_head.txt");
  const std::string bodyName = dir.file("http_mode_body.htm");
  http->OutputFileMode = true;
  http->InputFileMode = true;
  http->Header = headName;
  http->Body = bodyName;
  server.reply("HTTP/1.0 200 OK\nA: b\n\n<html>\n");
  http->Get(at("/"));
  EXPECT_EQ(readFile(headName), "HTTP/1.0 200 OK\nA: b\n\n");
  EXPECT_EQ(readFile(bodyName), "<html>\n");
  EXPECT_EQ(http->Header, headName);
  EXPECT_EQ(http->Body, bodyName);
}

TEST_F(HttpTest, HeaderFileThatCannotBeCreatedRaisesAfterConnecting) {
  http->OutputFileMode = true;
  http->Header = "/nonexistent/dir/head.txt";
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  EXPECT_THROW(http->Head(at("/")), EFCreateError);
  EXPECT_FALSE(http->IsConnected());
}

}  // namespace
