// The secure channel's contract where no server is needed: the same rows on Linux (over
// OpenSSL) and on Windows (Schannel).
#include <gtest/gtest.h>

#include <string>

#include "platform/winapi.h"
#include "tests/support/TestPki.h"

namespace {

SECURITY_STATUS Acquire(CredHandle& cred, const char* package = UNISP_NAME_A) {
  SCHANNEL_CRED sc{};
  sc.dwVersion = SCHANNEL_CRED_VERSION;
  sc.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  sc.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  std::string name = package;
  return AcquireCredentialsHandleA(nullptr, name.data(), SECPKG_CRED_OUTBOUND, nullptr, &sc,
                                   nullptr, nullptr, &cred, nullptr);
}

constexpr ULONG kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                           ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

std::string SystemText(SECURITY_STATUS status) {
  char text[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           DWORD(status), 0, text, sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

}  // namespace

TEST(SecureChannelTest, AnUnknownPackageDoesNotExist) {
  CredHandle cred{};
  EXPECT_EQ(Acquire(cred, "No Such Package"), SEC_E_SECPKG_NOT_FOUND);
}

TEST(SecureChannelTest, TheHandshakeStartsWithAHelloAndTakesOnlyWholeRecords) {
  if (!kSecureChannelBuilt) GTEST_SKIP() << "built without TLS";
  CredHandle cred{};
  ASSERT_EQ(Acquire(cred), SEC_E_OK);
  CtxtHandle ctx{};
  char host[] = "localhost";
  SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc out{SECBUFFER_VERSION, 1, &token};
  ULONG attrs = 0;
  ASSERT_EQ(InitializeSecurityContextA(&cred, nullptr, host, kRequest, 0, 0, nullptr, 0, &ctx, &out,
                                       &attrs, nullptr),
            SEC_I_CONTINUE_NEEDED);
  ASSERT_GE(token.cbBuffer, 5u);
  const auto* hello = static_cast<const unsigned char*>(token.pvBuffer);
  EXPECT_EQ(hello[0], 0x16);  // a handshake record
  EXPECT_EQ(hello[1], 0x03);
  FreeContextBuffer(token.pvBuffer);

  char partial[] = {0x16, 0x03, 0x03, 0x00, 0x40, 0x02};  // a record cut short
  SecBuffer in[2] = {{sizeof partial, SECBUFFER_TOKEN, partial}, {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
  token = SecBuffer{0, SECBUFFER_TOKEN, nullptr};
  EXPECT_EQ(InitializeSecurityContextA(&cred, &ctx, host, kRequest, 0, 0, &inDesc, 0, &ctx, &out,
                                       &attrs, nullptr),
            SEC_E_INCOMPLETE_MESSAGE);

  EXPECT_EQ(DeleteSecurityContext(&ctx), SEC_E_OK);
  EXPECT_EQ(DeleteSecurityContext(&ctx), SEC_E_INVALID_HANDLE);  // stale: refused, not used
  EXPECT_EQ(FreeCredentialsHandle(&cred), SEC_E_OK);
}

TEST(SecureChannelTest, StatusCodesHaveTheSystemsTexts) {
  if (!kSecureChannelBuilt) GTEST_SKIP() << "built without TLS";
  if (testsupport::UnderWine()) GTEST_SKIP() << "wine has no texts for these codes";
  const struct {
    SECURITY_STATUS status;
    const char* text;
  } rows[] = {
      {SEC_E_CERT_EXPIRED, "The received certificate has expired."},
      {SEC_E_UNTRUSTED_ROOT,
       "The certificate chain was issued by an authority that is not trusted."},
      {SEC_E_WRONG_PRINCIPAL, "The target principal name is incorrect."},
      {SEC_E_ILLEGAL_MESSAGE, "The message received was unexpected or badly formatted."},
  };
  for (const auto& row : rows) EXPECT_EQ(SystemText(row.status), row.text);
}
