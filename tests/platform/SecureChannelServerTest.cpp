// The secure channel against the loopback HTTPS server: the verdict each kind of
// certificate gets from the chain and SSL policy checks after the handshake, and a
// request and its answer through sealed and opened records. Driven straight through
// the SSPI calls over the test's own socket: on Linux the platform's, on Windows the
// system's Schannel (against tls_test_server under wine).
#include <gtest/gtest.h>

#include <string>

#include "platform/winapi.h"
#include "tests/support/LoopbackTls.h"

namespace {

using testsupport::CertKind;

constexpr ULONG kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                           ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

class Client {
 public:
  explicit Client(uint16_t port) : s_(testnet::connectLoopbackAsync(port)) {
    testnet::waitWritable(s_, testnet::kNoSocket, 10000);
    SCHANNEL_CRED sc{};
    sc.dwVersion = SCHANNEL_CRED_VERSION;
    sc.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;
    sc.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    char package[] = UNISP_NAME_A;
    status_ = AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &sc,
                                        nullptr, nullptr, &cred_, nullptr);
  }
  ~Client() {
    if (ctx_.dwLower) DeleteSecurityContext(&ctx_);
    FreeCredentialsHandle(&cred_);
    testnet::closeSocket(s_);
  }

  SECURITY_STATUS Handshake(const char* host) {
    std::string name = host;
    bool first = true;
    for (;;) {
      SecBuffer in[2] = {{ULONG(in_.size()), SECBUFFER_TOKEN, in_.data()},
                         {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
      SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
      SecBufferDesc out{SECBUFFER_VERSION, 1, &token};
      ULONG attrs = 0;
      const SECURITY_STATUS s =
          InitializeSecurityContextA(&cred_, first ? nullptr : &ctx_, name.data(), kRequest, 0, 0,
                                     first ? nullptr : &inDesc, 0, &ctx_, &out, &attrs, nullptr);
      if (token.pvBuffer) {
        Send(std::string(static_cast<char*>(token.pvBuffer), token.cbBuffer));
        FreeContextBuffer(token.pvBuffer);
      }
      if (s != SEC_E_OK && s != SEC_I_CONTINUE_NEEDED && s != SEC_E_INCOMPLETE_MESSAGE) return s;
      const bool extra = !first && in[1].BufferType == SECBUFFER_EXTRA;
      if (s != SEC_E_INCOMPLETE_MESSAGE && !first)
        in_.erase(0, extra ? in_.size() - in[1].cbBuffer : in_.size());
      first = false;
      if (s == SEC_E_OK) return s;
      if (!extra && !Receive()) return SEC_E_INTERNAL_ERROR;
    }
  }

  void Seal(const std::string& plain) {
    SecPkgContext_StreamSizes sizes{};
    ASSERT_EQ(QueryContextAttributesA(&ctx_, SECPKG_ATTR_STREAM_SIZES, &sizes), SEC_E_OK);
    std::string record(sizes.cbHeader + plain.size() + sizes.cbTrailer, '\0');
    record.replace(sizes.cbHeader, plain.size(), plain);
    SecBuffer b[4] = {
        {sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
        {ULONG(plain.size()), SECBUFFER_DATA, record.data() + sizes.cbHeader},
        {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes.cbHeader + plain.size()},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
    ASSERT_EQ(EncryptMessage(&ctx_, 0, &desc, 0), SEC_E_OK);
    Send(record.substr(0, b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer));
  }

  // Everything up to the peer's close_notify; "" and a failure when it never comes.
  std::string OpenAll() {
    std::string plain;
    for (;;) {
      SecBuffer b[4] = {{ULONG(in_.size()), SECBUFFER_DATA, in_.data()},
                        {0, SECBUFFER_EMPTY, nullptr},
                        {0, SECBUFFER_EMPTY, nullptr},
                        {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
      const SECURITY_STATUS s =
          in_.empty() ? SEC_E_INCOMPLETE_MESSAGE : DecryptMessage(&ctx_, &desc, 0, nullptr);
      if (s == SEC_E_INCOMPLETE_MESSAGE) {
        if (!Receive()) return "";
        continue;
      }
      EXPECT_TRUE(s == SEC_E_OK || s == SEC_I_CONTEXT_EXPIRED) << std::hex << s;
      std::string rest;
      for (const SecBuffer& x : b) {
        if (x.BufferType == SECBUFFER_DATA)
          plain.append(static_cast<char*>(x.pvBuffer), x.cbBuffer);
        if (x.BufferType == SECBUFFER_EXTRA)
          rest.assign(static_cast<char*>(x.pvBuffer), x.cbBuffer);
      }
      in_ = rest;
      if (s != SEC_E_OK) return plain;
    }
  }

  CtxtHandle& context() { return ctx_; }
  SECURITY_STATUS credentialStatus() const { return status_; }

 private:
  void Send(const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
      const int n = testnet::sendSome(s_, bytes.data() + at, bytes.size() - at);
      if (n > 0)
        at += size_t(n);
      else if (n != testnet::kWouldBlock ||
               testnet::waitWritable(s_, testnet::kNoSocket, 10000) != 1)
        return;
    }
  }
  bool Receive() {
    char buf[16384];
    for (;;) {
      const int n = testnet::recvSome(s_, buf, sizeof buf);
      if (n > 0) {
        in_.append(buf, size_t(n));
        return true;
      }
      if (n != testnet::kWouldBlock || testnet::waitReadable(s_, testnet::kNoSocket, 10000) != 1)
        return false;
    }
  }

  testnet::Socket s_;
  CredHandle cred_{};
  CtxtHandle ctx_{};
  SECURITY_STATUS status_;
  std::string in_;
};

// The SSL policy's verdict on the certificate for host. Wine's trusted roots are the
// host's and take no additions: on Windows the test CA comes as a store of its own, and
// a chain whose only fault is that it ends in that CA is judged as if it were trusted.
SECURITY_STATUS Verdict(PCCERT_CONTEXT cert, const std::string& host) {
  void* caStore = testsupport::TestPki::Get().caStore();
  CERT_CHAIN_PARA para{};
  para.cbSize = sizeof para;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(nullptr, cert, nullptr, caStore ? caStore : cert->hCertStore, &para,
                               0, nullptr, &chain))
    return -1;
  std::wstring name(host.begin(), host.end());
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA server{};
  server.cbSize = sizeof server;
  server.dwAuthType = AUTHTYPE_SERVER;
  server.pwszServerName = name.data();
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &server;
#ifdef _WIN32
  const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
  PCCERT_CONTEXT root = simple->rgpElement[simple->cElement - 1]->pCertContext;
  if ((chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_UNTRUSTED_ROOT) &&
      CertFindCertificateInStore(caStore, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, root, nullptr))
    policy.dwFlags = CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG;
#endif
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  const BOOL judged =
      CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
  // As the program does: a chain that reaches no root is not trusted, whatever a
  // policy check that lets it pass (wine's) says.
  const bool partial = chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_PARTIAL_CHAIN;
  CertFreeCertificateChain(chain);
  if (!judged) return -1;
  return status.dwError == 0 && partial ? CERT_E_CHAINING : SECURITY_STATUS(status.dwError);
}

}  // namespace

TEST(SecureChannelServerTest, EachCertificateKindGetsItsVerdict) {
  if (!testsupport::TestPki::Available()) GTEST_SKIP() << "no test TLS servers";
  testsupport::TestPki::Get();  // trusts the test CA before any credentials read the roots
  const struct {
    CertKind kind;
    const char* host;
    SECURITY_STATUS error;  // the SSL policy's
  } rows[] = {
      {CertKind::Good, "localhost", 0},
      {CertKind::Good, "127.0.0.1", 0},
      {CertKind::Good, "elsewhere.test", CERT_E_CN_NO_MATCH},
      {CertKind::Expired, "localhost", CERT_E_EXPIRED},
      {CertKind::NotYetValid, "localhost", CERT_E_EXPIRED},
      {CertKind::WrongName, "localhost", CERT_E_CN_NO_MATCH},
      {CertKind::SelfSigned, "localhost", CERT_E_UNTRUSTEDROOT},
      {CertKind::UntrustedIssuer, "localhost", CERT_E_CHAINING},
  };
  for (const auto& row : rows) {
    if (row.host == std::string("127.0.0.1") && testsupport::UnderWine()) continue;
    SCOPED_TRACE(std::string(row.host) + " " + testsupport::CertKindName(row.kind));
    LoopbackTls server(row.kind);
    Client client(server.port());
    ASSERT_EQ(client.credentialStatus(), SEC_E_OK);
    ASSERT_EQ(client.Handshake(row.host), SEC_E_OK);  // the certificate is the caller's to judge
    PCCERT_CONTEXT cert = nullptr;
    ASSERT_EQ(QueryContextAttributesA(&client.context(), SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert),
              SEC_E_OK);
    EXPECT_GT(cert->pCertInfo->NotAfter.dwHighDateTime, 0u);
    EXPECT_EQ(Verdict(cert, row.host), row.error);
    CertFreeCertificateContext(cert);
  }
}

#ifndef _WIN32  // a server with this answer, and what it received
TEST(SecureChannelServerTest, ARequestAndItsAnswerGoThroughRecords) {
  testsupport::TestPki::Get();
  LoopbackTls server(CertKind::Good, "HTTP/1.0 200 OK\r\n\r\n" + std::string(40000, 'x'));
  Client client(server.port());
  ASSERT_EQ(client.Handshake("localhost"), SEC_E_OK);
  client.Seal("HEAD / HTTP/1.0\r\n\r\n");
  const std::string answer = client.OpenAll();  // several records, then close_notify
  EXPECT_EQ(answer, "HTTP/1.0 200 OK\r\n\r\n" + std::string(40000, 'x'));
  ASSERT_EQ(server.plainRequests().size(), 1u);
  EXPECT_EQ(server.plainRequests()[0], "HEAD / HTTP/1.0\r\n\r\n");
}
#endif
