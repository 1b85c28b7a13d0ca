// LoopbackTls on OpenSSL.
#include <openssl/ssl.h>

#include <stdexcept>

#include "tests/support/LoopbackTls.h"

namespace {

void flush(BIO* out, LoopbackConn& conn) {
  std::string bytes;
  char chunk[4096];
  int n;
  while ((n = BIO_read(out, chunk, sizeof chunk)) > 0) bytes.append(chunk, size_t(n));
  if (!bytes.empty()) conn.send(bytes);
}

bool feed(BIO* in, LoopbackConn& conn) {
  const std::string got = conn.readSome();
  if (got.empty()) return false;
  BIO_write(in, got.data(), int(got.size()));
  return true;
}

}  // namespace

LoopbackTls::LoopbackTls(testsupport::CertKind kind, std::string reply)
    : LoopbackServer(Serving::Concurrently, 0), reply_(std::move(reply)) {
  const testsupport::CertFiles files = testsupport::TestPki::Get().files(kind);
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (!ctx || SSL_CTX_use_certificate_file(ctx, files.cert.c_str(), SSL_FILETYPE_PEM) != 1 ||
      SSL_CTX_use_PrivateKey_file(ctx, files.key.c_str(), SSL_FILETYPE_PEM) != 1)
    throw std::runtime_error("test TLS server: certificate refused");
  ctx_ = ctx;
  start([this](LoopbackConn& conn) { serve(conn); });
}

LoopbackTls::~LoopbackTls() {
  stop();
  SSL_CTX_free(static_cast<SSL_CTX*>(ctx_));
}

int LoopbackTls::handshakes() const {
  int n = 0;
  locked([&] { n = handshakes_; });
  return n;
}

std::vector<std::string> LoopbackTls::plainRequests() const {
  std::vector<std::string> r;
  locked([&] { r = plain_; });
  return r;
}

void LoopbackTls::serve(LoopbackConn& conn) {
  SSL* ssl = SSL_new(static_cast<SSL_CTX*>(ctx_));
  BIO* in = BIO_new(BIO_s_mem());
  BIO* out = BIO_new(BIO_s_mem());
  BIO_set_mem_eof_return(in, -1);
  SSL_set_bio(ssl, in, out);
  SSL_set_accept_state(ssl);
  for (;;) {  // the handshake
    const int rc = SSL_do_handshake(ssl);
    flush(out, conn);
    if (rc == 1) break;
    if (SSL_get_error(ssl, rc) != SSL_ERROR_WANT_READ || !feed(in, conn)) {
      SSL_free(ssl);
      conn.close();  // the client refused us (or went away): nothing more to say
      return;
    }
  }
  locked([&] { ++handshakes_; });
  std::string request;
  char buf[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const int n = SSL_read(ssl, buf, sizeof buf);
    if (n > 0) {
      request.append(buf, size_t(n));
      continue;
    }
    flush(out, conn);
    if (SSL_get_error(ssl, n) != SSL_ERROR_WANT_READ || !feed(in, conn)) break;
  }
  locked([&] { plain_.push_back(request); });
  SSL_write(ssl, reply_.data(), int(reply_.size()));
  SSL_shutdown(ssl);
  flush(out, conn);
  SSL_free(ssl);
  conn.close();
}
