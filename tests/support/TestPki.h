// Certificates for the TLS tests, made at run time with the OpenSSL library: a test CA
// that the client trusts (SSL_CERT_FILE points at it), a second CA it does not, and
// server certificates for 127.0.0.1 and "localhost" of every kind a test needs. Keys
// are made fresh in a temporary folder each run; nothing secret lies in the repository.
//
// One set per process: the client reads its trusted roots once, so the CA must not
// change under it. On Windows the certificates and their servers are those of the Linux
// program tls_test_server (tests/TlsTestServer.cpp), which wine's programs reach
// on the same loopback; Get() there adds its CA to the machine's trusted roots.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/winapi.h"
#include "tests/support/TempDir.h"

namespace testsupport {

enum class CertKind {
  Good,             // issued by the test CA for localhost and 127.0.0.1, valid a year
  Expired,          // ended 30 days ago
  NotYetValid,      // begins in 30 days
  WrongName,        // for other.example only
  SelfSigned,       // for localhost, signed by its own key
  UntrustedIssuer,  // issued by a CA the client does not trust
  ExpiresSoon,      // ends in 5 days and a few hours
};

// A short name for each kind: file names, and the lines of tls_test_server's list.
inline const char* CertKindName(CertKind kind) {
  switch (kind) {
    case CertKind::Good:
      return "good";
    case CertKind::Expired:
      return "expired";
    case CertKind::NotYetValid:
      return "notyet";
    case CertKind::WrongName:
      return "wrongname";
    case CertKind::SelfSigned:
      return "selfsigned";
    case CertKind::UntrustedIssuer:
      return "untrusted";
    case CertKind::ExpiresSoon:
      return "soon";
  }
  return "";
}
constexpr CertKind kAllCertKinds[] = {
    CertKind::Good,       CertKind::Expired,         CertKind::NotYetValid, CertKind::WrongName,
    CertKind::SelfSigned, CertKind::UntrustedIssuer, CertKind::ExpiresSoon};

// Wine's secure channel lacks some of Windows': the texts of its status codes, and
// certificate names that are addresses. Rows that need them are left out there.
inline bool UnderWine() {
#ifdef _WIN32
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
  return false;
#endif
}

struct CertFiles {
  std::string cert;  // PEM: the server certificate
  std::string key;   // PEM: its private key
};

class TestPki {
 public:
  // Made on first use; SSL_CERT_FILE is set to caFile() then. On Windows: false when
  // no tls_test_server was started for this run (TAVIX_TLS_SERVERS names its list).
  static bool Available();
  static TestPki& Get();
  const std::string& caFile() const { return caFile_; }
  CertFiles files(CertKind kind) const;  // Linux
  uint16_t port(CertKind kind) const;    // Windows: where tls_test_server serves the kind
  void* caStore() const;                 // Windows: a certificate store holding the CA alone

 private:
  TestPki();
  std::unique_ptr<TempDir> dir_;
  std::string caFile_;
  std::map<CertKind, uint16_t> ports_;  // Windows
};

}  // namespace testsupport
