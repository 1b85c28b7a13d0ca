// Polls over TLS against the loopback HTTPS server: a good certificate, each kind of bad
// one (a failed connection with its reason), a plain-HTTP address redirected to https,
// and the expiry line of a certificate that ends soon.
#include <ctime>

#include "tests/app/AppFixture.h"
#include "tests/support/LoopbackScripts.h"
#include "tests/support/LoopbackTls.h"

namespace {

using testsupport::CertKind;

std::string After(const std::string& line) {  // the message, without its time stamp
  const size_t dash = line.find(" - ");
  return dash == std::string::npos ? line : line.substr(dash + 3);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

class SecurePollTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    posix::setResolver([](const std::string& name) {
      posix::ResolveAnswer a;
      if (name == "localhost")
        a.addr = htonl(0x7f000001);
      else
        a.error = WSAHOST_NOT_FOUND;
      return a;
    });
    // The certificates are checked against the real time: the window's clock follows it.
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    clock_->setLocal((int64_t(now) + local.tm_gmtoff) * 1000);
    StartApp();
  }

  std::vector<std::string> Poll(const std::string& url) {
    const size_t before = LogLines().size();
    Form1->edURL->SetText(url);
    Form1->btnPoll->Click();
    std::vector<std::string> lines = LogLines(), added;
    for (size_t i = before + 1; i < lines.size(); ++i) added.push_back(After(lines[i]));
    return added;  // what followed the "MANUAL POLL" line
  }
};

TEST_F(SecurePollTest, EachCertificateKindEndsAsItShould) {
  struct Row {
    CertKind kind;
    const char* reason;  // empty: a success
  } rows[] = {
      {CertKind::Good, ""},
      {CertKind::Expired, "Certificate expired: The received certificate has expired"},
      {CertKind::NotYetValid,
       "Certificate not yet valid: A required certificate is not within its validity period"},
      {CertKind::WrongName,
       "Certificate not valid for localhost: The target principal name is incorrect"},
      {CertKind::SelfSigned,
       "Certificate self-signed: The certificate chain was issued by an "
       "authority that is not trusted"},
      {CertKind::UntrustedIssuer,
       "Certificate issuer not trusted: The certificate chain was "
       "issued by an authority that is not trusted"},
  };
  int failures = 0;
  for (const Row& row : rows) {
    LoopbackTls server(row.kind);
    SCOPED_TRACE(row.reason);
    const std::vector<std::string> lines = Poll(server.url());
    ASSERT_FALSE(lines.empty());
    if (*row.reason == '\0') {
      EXPECT_EQ(lines.size(), 1u);
      EXPECT_TRUE(StartsWith(lines[0], "SUCCESS " + server.url() + " ")) << lines[0];
      ASSERT_EQ(server.plainRequests().size(), 1u);
      EXPECT_TRUE(StartsWith(server.plainRequests()[0],
                             "HEAD / HTTP/1.0\r\nHost: localhost:" + server.portText() + "\r\n"))
          << server.plainRequests()[0];
      continue;
    }
    ++failures;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CONNECTION FAILED.");
    EXPECT_TRUE(StartsWith(lines[1], row.reason)) << lines[1];
    EXPECT_TRUE(server.plainRequests().empty());  // nothing was sent to such a server
  }
  EXPECT_EQ(Form1->SuccessCount(), 1);
  EXPECT_EQ(Form1->NoConnectionCount(), failures);
}

TEST_F(SecurePollTest, APlainAddressRedirectedToHttpsEndsInSuccess) {
  LoopbackTls secure(CertKind::Good);
  LoopbackReplies plain;
  plain.reply("HTTP/1.0 301 Moved Permanently\r\nLocation: " + secure.url() + "\r\n\r\n");
  const std::vector<std::string> lines = Poll(plain.address());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(StartsWith(lines[0], "SUCCESS " + plain.address() + " ")) << lines[0];
  EXPECT_EQ(secure.handshakes(), 1);
}

TEST_F(SecurePollTest, ACertificateEndingSoonIsReportedOnceADay) {
  LoopbackTls server(CertKind::ExpiresSoon);
  std::vector<std::string> lines = Poll(server.url());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(StartsWith(lines[0], "SUCCESS "));
  EXPECT_TRUE(StartsWith(lines[1], "CERTIFICATE EXPIRES in 5 days, on ")) << lines[1];
  EXPECT_EQ(Poll(server.url()).size(), 1u);  // the same day: no second line
  clock_->setLocal(clock_->localMs() + 24 * 3600 * 1000);
  lines = Poll(server.url());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(StartsWith(lines[1], "CERTIFICATE EXPIRES in 4 days, on ")) << lines[1];
}
