// OpenSSL behind posix::tls: client sessions over memory BIOs.
//
// The certificate's chain is verified during the handshake against the default trust
// store (which honours SSL_CERT_FILE and SSL_CERT_DIR); the first fault is kept and the
// handshake is let finish, for the caller to judge the certificate and its names.
#include "platform/posix/TlsSys.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <ctime>

namespace posix::tls {

struct Config {
  SSL_CTX* ctx = nullptr;
};

struct Session {
  SSL* ssl = nullptr;
  BIO* in = nullptr;   // records from the peer
  BIO* out = nullptr;  // bytes for the peer
  int verifyError = X509_V_OK;
  Failure failure = Failure::None;
};

namespace {

int sessionIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

// Keeps the first fault and lets the handshake go on; the SSPI layer refuses the
// context afterwards with that fault's code.
int keepFirstFault(int ok, X509_STORE_CTX* store) {
  if (ok) return 1;
  auto* ssl =
      static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* session = ssl ? static_cast<Session*>(SSL_get_ex_data(ssl, sessionIndex())) : nullptr;
  if (session && session->verifyError == X509_V_OK)
    session->verifyError = X509_STORE_CTX_get_error(store);
  return 1;
}

Failure certFailure(int error) {
  switch (error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return Failure::CertExpired;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      return Failure::CertUntrusted;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return Failure::CertNoIssuer;
    default:
      return Failure::CertOther;
  }
}

// The reason of the library's last error, for a handshake or record that failed.
Failure protocolFailure() {
  const unsigned long e = ERR_peek_last_error();
  ERR_clear_error();
  if (ERR_GET_LIB(e) == ERR_LIB_SSL) {
    switch (ERR_GET_REASON(e)) {
      case SSL_R_UNSUPPORTED_PROTOCOL:
      case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
      case SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE:
      case SSL_R_NO_SHARED_CIPHER:
      case SSL_R_NO_PROTOCOLS_AVAILABLE:
      case SSL_R_WRONG_VERSION_NUMBER:
        return Failure::NoCommonCipher;
      default:
        break;
    }
  }
  return e == 0 ? Failure::Internal : Failure::BadMessage;
}

void drain(BIO* bio, std::string& out) {
  char chunk[4096];
  int n;
  while ((n = BIO_read(bio, chunk, sizeof chunk)) > 0) out.append(chunk, size_t(n));
}

bool isAddress(const std::string& host) {
  ASN1_OCTET_STRING* ip = a2i_IPADDRESS(host.c_str());
  ASN1_OCTET_STRING_free(ip);
  return ip != nullptr;
}

int64_t unixTime(const ASN1_TIME* t) {
  struct tm tm {};
  if (!t || ASN1_TIME_to_tm(t, &tm) != 1) return 0;
  return static_cast<int64_t>(timegm(&tm));
}

std::string nameDer(const X509_NAME* name) {
  unsigned char* der = nullptr;
  const int n = i2d_X509_NAME(name, &der);
  if (n <= 0) return std::string();
  std::string result(reinterpret_cast<char*>(der), size_t(n));
  OPENSSL_free(der);
  return result;
}

}  // namespace

Config* newConfig(bool allowTls13) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) return nullptr;
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_max_proto_version(ctx, allowTls13 ? TLS1_3_VERSION : TLS1_2_VERSION);
  SSL_CTX_set_default_verify_paths(ctx);
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, keepFirstFault);
  SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);  // each poll a fresh handshake
  return new Config{ctx};
}

void freeConfig(Config* config) {
  if (!config) return;
  SSL_CTX_free(config->ctx);
  delete config;
}

Session* newSession(Config* config, const std::string& host) {
  auto* s = new Session;
  s->ssl = SSL_new(config->ctx);
  s->in = BIO_new(BIO_s_mem());
  s->out = BIO_new(BIO_s_mem());
  if (!s->ssl || !s->in || !s->out) {
    BIO_free(s->in);
    BIO_free(s->out);
    SSL_free(s->ssl);
    delete s;
    return nullptr;
  }
  BIO_set_mem_eof_return(s->in, -1);  // an empty input is "more to come", not the end
  SSL_set_bio(s->ssl, s->in, s->out);
  SSL_set_ex_data(s->ssl, sessionIndex(), s);
  if (!isAddress(host)) SSL_set_tlsext_host_name(s->ssl, host.c_str());
  SSL_set_connect_state(s->ssl);
  return s;
}

void freeSession(Session* session) {
  if (!session) return;
  SSL_free(session->ssl);  // frees both BIOs
  delete session;
}

size_t recordLength(const char* data, size_t size) {
  if (size < 5) return 0;
  const size_t body =
      (size_t(static_cast<unsigned char>(data[3])) << 8) | static_cast<unsigned char>(data[4]);
  return size >= 5 + body ? 5 + body : 0;
}

Step handshake(Session* s, const char* record, size_t size, std::string& out) {
  if (size > 0) BIO_write(s->in, record, static_cast<int>(size));
  const int rc = SSL_do_handshake(s->ssl);
  drain(s->out, out);
  if (rc == 1) return Step::Done;
  const int e = SSL_get_error(s->ssl, rc);
  if (e == SSL_ERROR_WANT_READ) return Step::WantMore;
  s->failure = protocolFailure();
  return Step::Failed;
}

bool encrypt(Session* s, const char* plain, size_t size, std::string& out) {
  if (size > 0 && SSL_write(s->ssl, plain, static_cast<int>(size)) <= 0) {
    s->failure = protocolFailure();
    return false;
  }
  drain(s->out, out);
  return true;
}

Read decrypt(Session* s, const char* record, size_t size, std::string& plain) {
  BIO_write(s->in, record, static_cast<int>(size));
  char chunk[16384];
  for (;;) {
    const int n = SSL_read(s->ssl, chunk, sizeof chunk);
    if (n > 0) {
      plain.append(chunk, size_t(n));
      continue;
    }
    const int e = SSL_get_error(s->ssl, n);
    if (e == SSL_ERROR_WANT_READ) return Read::Data;  // the record is used up
    if (e == SSL_ERROR_ZERO_RETURN) return Read::Closed;
    s->failure = protocolFailure();
    return Read::Failed;
  }
}

Failure failure(const Session* session) { return session->failure; }

bool peerCertificate(const Session* s, CertFacts& facts) {
  X509* cert = SSL_get1_peer_certificate(s->ssl);
  if (!cert) return false;
  unsigned char* der = nullptr;
  const int n = i2d_X509(cert, &der);
  if (n > 0) facts.der.assign(reinterpret_cast<char*>(der), size_t(n));
  OPENSSL_free(der);
  const ASN1_INTEGER* serial = X509_get0_serialNumber(cert);
  facts.serial.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(serial)),
                      size_t(ASN1_STRING_length(serial)));
  facts.issuerDer = nameDer(X509_get_issuer_name(cert));
  facts.subjectDer = nameDer(X509_get_subject_name(cert));
  facts.notBefore = unixTime(X509_get0_notBefore(cert));
  facts.notAfter = unixTime(X509_get0_notAfter(cert));
  facts.chainFault = s->verifyError == X509_V_OK ? Failure::None : certFailure(s->verifyError);
  X509_free(cert);
  return true;
}

bool certificateNames(const std::string& der, const std::string& host) {
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  X509* cert = d2i_X509(nullptr, &p, long(der.size()));
  if (!cert) return false;
  const int rc = isAddress(host) ? X509_check_ip_asc(cert, host.c_str(), 0)
                                 : X509_check_host(cert, host.c_str(), host.size(),
                                                   X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS, nullptr);
  X509_free(cert);
  return rc == 1;
}

}  // namespace posix::tls
