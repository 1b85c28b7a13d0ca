// TestPki on Windows: the list tls_test_server wrote (TAVIX_TLS_SERVERS names it), and
// its CA among the current user's trusted roots for the run (removed at exit). Wine
// keeps its roots to the host's and drops the addition, so the CA is also offered as a
// store of its own (caStore) for tests that judge chains themselves.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/winapi.h"
#include "tests/support/TestPki.h"

namespace testsupport {
namespace {

// The CA in the store for as long as the process runs.
class TrustedForTheRun {
 public:
  explicit TrustedForTheRun(const std::string& pemFile) {
    std::ifstream in(pemFile, std::ios::binary);
    std::stringstream pem;
    pem << in.rdbuf();
    const std::string text = pem.str();
    BYTE der[8192];
    DWORD size = sizeof der;
    if (text.empty() ||
        !CryptStringToBinaryA(text.c_str(), DWORD(text.size()), CRYPT_STRING_BASE64HEADER, der,
                              &size, nullptr, nullptr))
      throw std::runtime_error("test CA unreadable: " + pemFile);
    store_ = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
    if (!store_ || !CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING, der, size,
                                                     CERT_STORE_ADD_REPLACE_EXISTING, &cert_))
      throw std::runtime_error("test CA not trusted: error " + std::to_string(GetLastError()));
  }
  // A store holding the test CA alone.
  HCERTSTORE store() {
    if (!caStore_) {
      caStore_ = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
      CertAddCertificateContextToStore(caStore_, cert_, CERT_STORE_ADD_ALWAYS, nullptr);
    }
    return caStore_;
  }
  ~TrustedForTheRun() {
    if (caStore_) CertCloseStore(caStore_, 0);
    if (cert_) CertDeleteCertificateFromStore(cert_);  // frees the context too
    if (store_) CertCloseStore(store_, 0);
  }

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT cert_ = nullptr;
  HCERTSTORE caStore_ = nullptr;
};
TrustedForTheRun* gTrusted = nullptr;

const char* ListFile() { return std::getenv("TAVIX_TLS_SERVERS"); }

}  // namespace

bool TestPki::Available() { return ListFile() && *ListFile(); }

TestPki& TestPki::Get() {
  static TestPki pki;
  return pki;
}

TestPki::TestPki() {
  if (!Available()) throw std::runtime_error("no tls_test_server for this run");
  std::ifstream list(ListFile());
  std::string name, value;
  while (list >> name >> value) {
    if (name == "ca") caFile_ = value[0] == '/' ? "Z:" + value : value;
    for (CertKind kind : kAllCertKinds)
      if (name == CertKindName(kind)) ports_[kind] = uint16_t(std::stoi(value));
  }
  if (caFile_.empty() || ports_.size() != std::size(kAllCertKinds))
    throw std::runtime_error(std::string("tls_test_server's list is incomplete: ") + ListFile());
  static TrustedForTheRun trusted(caFile_);
  gTrusted = &trusted;
}

CertFiles TestPki::files(CertKind) const {
  throw std::logic_error("the certificates are tls_test_server's");
}

uint16_t TestPki::port(CertKind kind) const { return ports_.at(kind); }

void* TestPki::caStore() const { return gTrusted->store(); }

}  // namespace testsupport
