// Thin wrappers over the OpenSSL calls the secure channel needs.
//
// Internal to platform/posix. TlsSys.cpp is the only file that includes the OpenSSL
// headers; the SSPI subset (Sspi.cpp) includes winapi.h instead. A session is a client
// TLS connection over two memory buffers: records go in one at a time, and what the
// session has to send comes out as bytes.
#pragma once

#include <cstdint>
#include <string>

namespace posix::tls {

// Why a session failed, as the SSPI layer maps it to a status code.
enum class Failure {
  None,
  CertExpired,     // or not yet valid: Windows has one code for both
  CertUntrusted,   // a root that is not trusted, a self-signed certificate included
  CertNoIssuer,    // the chain reaches no root: an issuer neither sent nor known
  CertOther,       // any other certificate fault
  NoCommonCipher,  // no protocol or algorithm both sides have
  BadMessage,      // anything else the peer sent that does not parse or verify
  Internal,        // out of memory, a library fault
};

struct Config;   // protocols and trusted roots, shared by the sessions made from it
struct Session;  // one connection

// TLS 1.2 at least; with allowTls13 false, at most 1.2. Null when the library refuses.
Config* newConfig(bool allowTls13);
void freeConfig(Config* config);

// A client session for host (SNI for a name). A fault of the certificate does not stop
// the handshake: the chain's first fault is left in the certificate's facts, and its
// names are checked apart (certificateNames). Null when the library refuses.
Session* newSession(Config* config, const std::string& host);
void freeSession(Session* session);

// The length of the TLS record at the start of data: 0 while its header or body is
// incomplete.
size_t recordLength(const char* data, size_t size);

enum class Step { Done, WantMore, Failed };
// Feeds one whole record (none on the first call), steps the handshake and appends what
// must be sent to out. Failed leaves the reason in failure().
Step handshake(Session* session, const char* record, size_t size, std::string& out);

// One record of application data from plain (size at most 16384), appended to out.
bool encrypt(Session* session, const char* plain, size_t size, std::string& out);

enum class Read { Data, Closed, Failed };
// Feeds one whole record and appends its application data (possibly none) to plain.
Read decrypt(Session* session, const char* record, size_t size, std::string& plain);

Failure failure(const Session* session);

// What the program reads of the peer's certificate.
struct CertFacts {
  std::string der;        // the whole certificate
  std::string serial;     // big-endian bytes
  std::string issuerDer;  // the names, DER
  std::string subjectDer;
  int64_t notBefore = 0;  // seconds since 1970, UTC
  int64_t notAfter = 0;
  Failure chainFault = Failure::None;  // the first fault of its chain, the name aside
};
bool peerCertificate(const Session* session, CertFacts& facts);

// Whether the certificate (DER) names host: a name (no partial wildcards) or an address.
bool certificateNames(const std::string& der, const std::string& host);

}  // namespace posix::tls
