// TSecureChannel: one TLS client connection over the platform's secure channel (SSPI).
//
// It never touches the socket: the socket client hands it what was received (Incoming)
// and sends what it hands back, so every wait stays the socket client's own pumping
// wait under its one time-out. Failures raise ESockError with a text that says why:
// for a refused certificate the reason (expired, not yet valid, issuer not trusted,
// self-signed, wrong host name) and then the system's text for the status code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/SysUtils.h"
#include "platform/winapi.h"

// What the program keeps of the server's certificate.
struct TPeerCertificate {
  bool Present = false;
  TDateTime NotBefore = 0;  // UTC
  TDateTime NotAfter = 0;   // UTC
  std::string Id;           // issuer and serial number: one certificate, one id
};

class TSecureChannel {
 public:
  // Whether this build and system offer TLS at all (asked once, then remembered).
  static bool Available();

  explicit TSecureChannel(const std::string& host);  // raises when no credentials
  ~TSecureChannel();
  TSecureChannel(const TSecureChannel&) = delete;
  TSecureChannel& operator=(const TSecureChannel&) = delete;

  // Bytes received from the peer and not used yet; the caller appends to it.
  std::string& Incoming() { return FIncoming; }

  // One handshake step on Incoming: true once the connection is secure. What must be
  // sent is appended to out (also on the way to a failure, e.g. an alert).
  bool Handshake(std::string& out);

  // Encrypts plain into records appended to out.
  void Seal(const char* plain, size_t size, std::string& out);

  // Decrypts whole records of Incoming into plain. False once the peer has closed the
  // secure channel (close_notify); plain then holds what came before it.
  bool Open(std::string& plain);

  const TPeerCertificate& Certificate() const { return FCertificate; }

 private:
  [[noreturn]] void Fail(SECURITY_STATUS status);
  // Keeps what the program needs of the peer's certificate; the status is the
  // system's judgement of it for the host (SEC_E_OK: trusted and naming the host).
  SECURITY_STATUS ReadCertificate();
  std::string CertificateReason(SECURITY_STATUS status);

  std::string FHost;
  CredHandle FCred{};
  CtxtHandle FContext{};
  bool FHaveContext = false;
  SecPkgContext_StreamSizes FSizes{};
  std::string FIncoming;
  TPeerCertificate FCertificate;
  bool FSubjectIsIssuer = false;
  bool FEstablished = false;  // the handshake is over
};

// The system's text for a status code of the secure channel, without its full stop (the
// log adds one), e.g. "The received certificate has expired"; "Unknown Error No.
// 0x..." when it has none.
std::string SecureErrorText(SECURITY_STATUS status);
