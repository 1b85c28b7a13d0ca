// The test certificates, made with the OpenSSL library: EC P-256 keys, SHA-256 signatures.
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "tests/support/TestPki.h"

namespace testsupport {
namespace {

constexpr long kDay = 24 * 3600;

EVP_PKEY* newKey() { return EVP_EC_gen("P-256"); }

void addExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) throw std::runtime_error("test certificate extension refused");
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

// A certificate for key, valid from `from` to `to` seconds off now, signed by
// issuerKey as issuer (itself when issuer is null).
X509* makeCert(EVP_PKEY* key, const char* commonName, const char* altNames, long from, long to,
               X509* issuer, EVP_PKEY* issuerKey, bool ca) {
  static long serial = 1;
  X509* cert = X509_new();
  X509_set_version(cert, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert), serial++);
  X509_gmtime_adj(X509_getm_notBefore(cert), from);
  X509_gmtime_adj(X509_getm_notAfter(cert), to);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("tavix tests"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
  X509* signer = issuer ? issuer : cert;
  if (ca) {
    addExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    addExtension(cert, signer, NID_basic_constraints, "CA:FALSE");
    addExtension(cert, signer, NID_subject_alt_name, altNames);
  }
  addExtension(cert, signer, NID_subject_key_identifier, "hash");
  if (issuer) addExtension(cert, signer, NID_authority_key_identifier, "keyid:always");
  X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256());
  return cert;
}

void writePem(const std::string& path, X509* cert, EVP_PKEY* key) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) throw std::runtime_error("cannot write " + path);
  if (cert) PEM_write_X509(f, cert);
  if (key) PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr);
  std::fclose(f);
}

}  // namespace

bool TestPki::Available() { return true; }

uint16_t TestPki::port(CertKind) const { throw std::logic_error("the servers are in-process"); }

void* TestPki::caStore() const { return nullptr; }

TestPki& TestPki::Get() {
  static TestPki pki;
  return pki;
}

TestPki::TestPki() : dir_(std::make_unique<TempDir>()) {
  const char* localNames = "DNS:localhost,IP:127.0.0.1";
  EVP_PKEY* caKey = newKey();
  X509* ca = makeCert(caKey, "tavix test CA", nullptr, -kDay, 3650 * kDay, nullptr, nullptr, true);
  EVP_PKEY* otherKey = newKey();
  X509* other =
      makeCert(otherKey, "untrusted test CA", nullptr, -kDay, 3650 * kDay, nullptr, nullptr, true);
  caFile_ = dir_->file("ca.pem");
  writePem(caFile_, ca, nullptr);

  struct Leaf {
    CertKind kind;
    const char* names;
    long from, to;
    X509* issuer;
    EVP_PKEY* issuerKey;
  };
  const Leaf leaves[] = {
      {CertKind::Good, localNames, -kDay, 365 * kDay, ca, caKey},
      {CertKind::Expired, localNames, -90 * kDay, -30 * kDay, ca, caKey},
      {CertKind::NotYetValid, localNames, 30 * kDay, 90 * kDay, ca, caKey},
      {CertKind::WrongName, "DNS:other.example", -kDay, 365 * kDay, ca, caKey},
      {CertKind::SelfSigned, localNames, -kDay, 365 * kDay, nullptr, nullptr},
      {CertKind::UntrustedIssuer, localNames, -kDay, 365 * kDay, other, otherKey},
      {CertKind::ExpiresSoon, localNames, -kDay, 5 * kDay + 6 * 3600, ca, caKey},
  };
  for (const Leaf& s : leaves) {
    EVP_PKEY* key = newKey();
    X509* cert = makeCert(key, "localhost", s.names, s.from, s.to, s.issuer, s.issuerKey, false);
    const CertFiles f = files(s.kind);
    writePem(f.cert, cert, nullptr);
    writePem(f.key, nullptr, key);
    X509_free(cert);
    EVP_PKEY_free(key);
  }
  X509_free(ca);
  X509_free(other);
  EVP_PKEY_free(caKey);
  EVP_PKEY_free(otherKey);
  setenv("SSL_CERT_FILE", caFile_.c_str(), 1);
  setenv("SSL_CERT_DIR", dir_->path().c_str(), 1);  // no system roots either
}

CertFiles TestPki::files(CertKind kind) const {
  const std::string base = CertKindName(kind);
  return CertFiles{dir_->file(base + ".crt"), dir_->file(base + ".key")};
}

}  // namespace testsupport
