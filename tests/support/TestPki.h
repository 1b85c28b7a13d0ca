// Certificates for the TLS tests, made at run time with the OpenSSL library: a test CA
// that the client trusts (SSL_CERT_FILE points at it), a second CA it does not, and
// server certificates for 127.0.0.1 and "localhost" of every kind a test needs. Keys
// are made fresh in a temporary folder each run; nothing secret lies in the repository.
//
// One set per process: the client reads its trusted roots once, so the CA must not
// change under it. Linux only (the Windows client trusts the system's store).
#pragma once

#include <memory>
#include <string>

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

struct CertFiles {
  std::string cert;  // PEM: the server certificate
  std::string key;   // PEM: its private key
};

class TestPki {
 public:
  static TestPki& Get();  // made on first use; SSL_CERT_FILE is set to caFile() then
  const std::string& caFile() const { return caFile_; }
  CertFiles files(CertKind kind) const;

 private:
  TestPki();
  std::unique_ptr<TempDir> dir_;
  std::string caFile_;
};

}  // namespace testsupport
