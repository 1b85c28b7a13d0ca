// A loopback HTTPS test server: LoopbackServer with TLS in front of each connection,
// over memory BIOs on the connection's own reads and sends (so every wait stays the
// server's bounded one). It serves a certificate of the kind asked for (TestPki.h),
// reads one request up to its blank line and answers the reply text, then closes the
// TLS connection and the socket.
//
// On Windows it names the server tls_test_server runs for the kind (TestPki.h): the
// same certificates and answers, but what that server saw stays with it.
#pragma once

#include <string>
#include <vector>

#include "tests/support/Loopback.h"
#include "tests/support/TestPki.h"

#ifndef _WIN32
class LoopbackTls : public LoopbackServer {
 public:
  explicit LoopbackTls(testsupport::CertKind kind,
                       std::string reply = "HTTP/1.0 200 OK\r\nServer: tls-test\r\n\r\n");
  ~LoopbackTls();
  std::string url(const std::string& host = "localhost") const {
    return "https://" + host + ":" + portText() + "/";
  }
  int handshakes() const;                          // completed on the server's side
  std::vector<std::string> plainRequests() const;  // the requests as decrypted

 private:
  void serve(LoopbackConn& conn);
  void* ctx_ = nullptr;  // SSL_CTX
  std::string reply_;
  int handshakes_ = 0;
  std::vector<std::string> plain_;
};
#else
class LoopbackTls {
 public:
  explicit LoopbackTls(testsupport::CertKind kind)
      : port_(testsupport::TestPki::Get().port(kind)) {}
  uint16_t port() const { return port_; }
  std::string portText() const { return std::to_string(port_); }
  std::string url(const std::string& host = "localhost") const {
    return "https://" + host + ":" + portText() + "/";
  }

 private:
  uint16_t port_;
};
#endif
