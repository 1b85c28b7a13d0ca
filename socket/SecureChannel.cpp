// TSecureChannel: credentials, the handshake's token exchange, records sealed and opened
// in place, and the peer certificate, all through the platform's SSPI calls.
#include "socket/SecureChannel.h"

#include <cstdio>
#include <functional>
#include <vector>

#include "socket/SocketClient.h"

namespace {

constexpr ULONG kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                  ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                  ISC_REQ_STREAM;

// FILETIME (100-ns steps since 1601, UTC) as days since 1899-12-30.
TDateTime DateTimeOf(const FILETIME& ft) {
  const uint64_t t = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return double(t) / 864000000000.0 - 109205.0;
}

std::string Hex(const BYTE* data, DWORD size) {
  std::string text;
  char pair[3];
  for (DWORD i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", data[i]);
    text += pair;
  }
  return text;
}

bool SameBlob(const CERT_NAME_BLOB& a, const CERT_NAME_BLOB& b) {
  return a.cbData == b.cbData && std::equal(a.pbData, a.pbData + a.cbData, b.pbData);
}

// The certificate is judged by the program (ReadCertificate), the same way on every
// system: Schannel's own check is not there on every one that offers the calls.
SECURITY_STATUS AcquireClientCredentials(CredHandle& cred, DWORD protocols) {
  SCHANNEL_CRED sc{};
  sc.dwVersion = SCHANNEL_CRED_VERSION;
  sc.grbitEnabledProtocols = protocols;
  sc.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
  char package[] = UNISP_NAME_A;
  return AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &sc, nullptr,
                                   nullptr, &cred, nullptr);
}

// TLS 1.3 where the system offers it, else 1.2 alone: some refuse a protocol they lack.
SECURITY_STATUS AcquireClientCredentials(CredHandle& cred) {
  const SECURITY_STATUS both =
      AcquireClientCredentials(cred, SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT);
  return both == SEC_E_OK || both == SEC_E_SECPKG_NOT_FOUND
             ? both
             : AcquireClientCredentials(cred, SP_PROT_TLS1_2_CLIENT);
}

// One set of credentials for the process: loading the trusted roots costs more than a
// handshake, so it is done once (SSL_CERT_FILE and SSL_CERT_DIR are read then).
struct TSharedCredentials {
  CredHandle Handle{};
  SECURITY_STATUS Status = AcquireClientCredentials(Handle);
};

TSharedCredentials& SharedCredentials() {
  static TSharedCredentials shared;
  return shared;
}

// What the system's check of a server's certificate said, as Schannel's own check
// would have said it.
SECURITY_STATUS StatusOfPolicyError(SECURITY_STATUS error) {
  if (error == 0) return SEC_E_OK;
  if (error == CERT_E_EXPIRED) return SEC_E_CERT_EXPIRED;
  if (error == CERT_E_UNTRUSTEDROOT || error == CERT_E_CHAINING) return SEC_E_UNTRUSTED_ROOT;
  if (error == CERT_E_CN_NO_MATCH) return SEC_E_WRONG_PRINCIPAL;
  return SEC_E_CERT_UNKNOWN;
}

// The certificate's chain up to a trusted root, for a server, and its names for host.
SECURITY_STATUS VerdictOn(PCCERT_CONTEXT cert, const std::string& host) {
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  char* usages[] = {serverAuth};
  CERT_CHAIN_PARA para{};
  para.cbSize = sizeof para;
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &para, 0, nullptr, &chain))
    return SEC_E_CERT_UNKNOWN;
  std::wstring name(host.begin(), host.end());
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA server{};
  server.cbSize = sizeof server;
  server.dwAuthType = AUTHTYPE_SERVER;
  server.pwszServerName = name.data();
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &server;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  const BOOL judged =
      CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status);
  // A chain that reaches no root is not trusted, whatever a policy check that lets it
  // pass (wine's) says.
  const bool partial = chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_PARTIAL_CHAIN;
  CertFreeCertificateChain(chain);
  if (!judged) return SEC_E_CERT_UNKNOWN;
  return status.dwError == 0 && partial ? SEC_E_UNTRUSTED_ROOT
                                        : StatusOfPolicyError(SECURITY_STATUS(status.dwError));
}

bool IsCertificateStatus(SECURITY_STATUS s) {
  return s == SEC_E_CERT_EXPIRED || s == SEC_E_UNTRUSTED_ROOT || s == SEC_E_WRONG_PRINCIPAL ||
         s == SEC_E_CERT_UNKNOWN;
}

}  // namespace

std::string SecureErrorText(SECURITY_STATUS status) {
  char text[512];
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, DWORD(status), 0, text, sizeof text, nullptr);
  std::string result(text, n);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.'))
    result.pop_back();
  if (!result.empty()) return result;
  char code[32];
  std::snprintf(code, sizeof code, "0x%08X", unsigned(DWORD(status)));
  return std::string("Unknown Error No. ") + code;
}

bool TSecureChannel::Available() {
  return kSecureChannelBuilt && SharedCredentials().Status == SEC_E_OK;
}

TSecureChannel::TSecureChannel(const std::string& host) : FHost(host) {
  const TSharedCredentials& shared = SharedCredentials();
  if (shared.Status != SEC_E_OK)
    throw ESockError("TLS is not available: " + SecureErrorText(shared.Status));
  FCred = shared.Handle;
}

TSecureChannel::~TSecureChannel() {
  if (FHaveContext) DeleteSecurityContext(&FContext);
}

bool TSecureChannel::Handshake(std::string& out) {
  for (;;) {
    SecBuffer in[2] = {{ULONG(FIncoming.size()), SECBUFFER_TOKEN, FIncoming.data()},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
    SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &token};
    ULONG attrs = 0;
    const bool first = !FHaveContext;
    const SECURITY_STATUS status = InitializeSecurityContextA(
        &FCred, first ? nullptr : &FContext, FHost.data(), kContextRequest, 0, 0,
        first ? nullptr : &inDesc, 0, &FContext, &outDesc, &attrs, nullptr);
    FHaveContext = FHaveContext || FContext.dwLower != 0 || FContext.dwUpper != 0;
    if (token.pvBuffer) {
      out.append(static_cast<const char*>(token.pvBuffer), token.cbBuffer);
      FreeContextBuffer(token.pvBuffer);
    }
    if (status == SEC_E_INCOMPLETE_MESSAGE) return false;
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
      if (IsCertificateStatus(status)) ReadCertificate();
      Fail(status);
    }
    const bool extra = !first && in[1].BufferType == SECBUFFER_EXTRA;
    if (!first) FIncoming.erase(0, extra ? FIncoming.size() - in[1].cbBuffer : FIncoming.size());
    if (status == SEC_E_OK) {
      QueryContextAttributesA(&FContext, SECPKG_ATTR_STREAM_SIZES, &FSizes);
      const SECURITY_STATUS verdict = ReadCertificate();
      if (verdict != SEC_E_OK) Fail(verdict);
      FEstablished = true;
      return true;
    }
    if (!extra) return false;  // the peer has more to say first
  }
}

void TSecureChannel::Seal(const char* plain, size_t size, std::string& out) {
  const size_t most = FSizes.cbMaximumMessage ? FSizes.cbMaximumMessage : 16384;
  std::vector<char> record;
  for (size_t at = 0; at < size; at += most) {
    const size_t n = std::min(most, size - at);
    record.assign(FSizes.cbHeader + n + FSizes.cbTrailer, '\0');
    std::copy(plain + at, plain + at + n, record.data() + FSizes.cbHeader);
    SecBuffer b[4] = {
        {FSizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
        {ULONG(n), SECBUFFER_DATA, record.data() + FSizes.cbHeader},
        {FSizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + FSizes.cbHeader + n},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
    const SECURITY_STATUS status = EncryptMessage(&FContext, 0, &desc, 0);
    if (status != SEC_E_OK) Fail(status);
    out.append(record.data(), size_t(b[0].cbBuffer) + b[1].cbBuffer + b[2].cbBuffer);
  }
}

bool TSecureChannel::Open(std::string& plain) {
  while (!FIncoming.empty()) {
    SecBuffer b[4] = {{ULONG(FIncoming.size()), SECBUFFER_DATA, FIncoming.data()},
                      {0, SECBUFFER_EMPTY, nullptr},
                      {0, SECBUFFER_EMPTY, nullptr},
                      {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
    const SECURITY_STATUS status = DecryptMessage(&FContext, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) return true;
    // Windows asks for a post-handshake step (TLS 1.3 tickets) as a renegotiation; the
    // records themselves carry no data for the program.
    if (status != SEC_E_OK && status != SEC_I_CONTEXT_EXPIRED && status != SEC_I_RENEGOTIATE)
      Fail(status);
    std::string rest;
    for (const SecBuffer& buf : b) {
      if (buf.BufferType == SECBUFFER_DATA)
        plain.append(static_cast<const char*>(buf.pvBuffer), buf.cbBuffer);
      if (buf.BufferType == SECBUFFER_EXTRA)
        rest.assign(static_cast<const char*>(buf.pvBuffer), buf.cbBuffer);
    }
    FIncoming = std::move(rest);
    if (status == SEC_I_CONTEXT_EXPIRED) return false;
  }
  return true;
}

SECURITY_STATUS TSecureChannel::ReadCertificate() {
  PCCERT_CONTEXT cert = nullptr;
  if (!FHaveContext ||
      QueryContextAttributesA(&FContext, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert) != SEC_E_OK ||
      !cert)
    return SEC_E_CERT_UNKNOWN;
  const CERT_INFO& info = *cert->pCertInfo;
  FCertificate.Present = true;
  FCertificate.NotBefore = DateTimeOf(info.NotBefore);
  FCertificate.NotAfter = DateTimeOf(info.NotAfter);
  FCertificate.Id = Hex(info.SerialNumber.pbData, info.SerialNumber.cbData) + "/" +
                    std::to_string(std::hash<std::string>()(std::string(
                        reinterpret_cast<const char*>(info.Issuer.pbData), info.Issuer.cbData)));
  FSubjectIsIssuer = SameBlob(info.Subject, info.Issuer);
  const SECURITY_STATUS verdict = VerdictOn(cert, FHost);
  CertFreeCertificateContext(cert);
  return verdict;
}

// The system has one code for "expired" and "not yet valid", and one for "untrusted"
// and "self-signed": the certificate itself tells them apart.
std::string TSecureChannel::CertificateReason(SECURITY_STATUS status) {
  const TPeerCertificate& c = FCertificate;
  if (status == SEC_E_CERT_EXPIRED && c.Present && c.NotBefore > Now())
    return "Certificate not yet valid: " + SecureErrorText(CERT_E_EXPIRED);
  if (status == SEC_E_CERT_EXPIRED) return "Certificate expired: " + SecureErrorText(status);
  if (status == SEC_E_UNTRUSTED_ROOT && FSubjectIsIssuer)
    return "Certificate self-signed: " + SecureErrorText(status);
  if (status == SEC_E_UNTRUSTED_ROOT)
    return "Certificate issuer not trusted: " + SecureErrorText(status);
  if (status == SEC_E_WRONG_PRINCIPAL)
    return "Certificate not valid for " + FHost + ": " + SecureErrorText(status);
  return "Certificate refused: " + SecureErrorText(status);
}

void TSecureChannel::Fail(SECURITY_STATUS status) {
  if (IsCertificateStatus(status)) throw ESockError(CertificateReason(status));
  throw ESockError((FEstablished ? "TLS error: " : "TLS handshake failed: ") +
                   SecureErrorText(status));
}
