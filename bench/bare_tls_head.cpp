// bench_bare_tls URL COUNT: the floor an HTTPS poll is measured against. COUNT HEAD
// requests with OpenSSL on bare BSD sockets, each over a fresh connection with a full
// handshake (no session resumption, as a poll has none): connect, handshake with the
// certificate verified (default trust paths, SSL_CERT_FILE honoured; host or address
// checked), one write of the program's request bytes, read until the server closes,
// close. One SSL_CTX for the run, as the program keeps its credentials. Exits 0 only
// when every answer began with a 2xx status line.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool OneHead(SSL_CTX* ctx, const sockaddr_in& to, const std::string& host,
             const std::string& request) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  SSL* ssl = SSL_new(ctx);
  X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str());
  bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
            SSL_set_fd(ssl, fd) == 1 && SSL_connect(ssl) == 1 &&
            SSL_write(ssl, request.data(), int(request.size())) == int(request.size());
  char buf[4096];
  std::string head;
  for (int n; ok && (n = SSL_read(ssl, buf, sizeof buf)) > 0;)
    if (head.size() < 16) head.append(buf, size_t(n));
  SSL_free(ssl);
  close(fd);
  return ok && head.rfind("HTTP/1.", 0) == 0 && head.size() > 9 && head[9] == '2';
}

}  // namespace

int main(int argc, char** argv) {
  const std::string url = argc == 3 ? argv[1] : "";
  if (url.rfind("https://", 0) != 0) {
    std::fprintf(stderr, "usage: bench_bare_tls https://127.0.0.1:PORT/ COUNT\n");
    return 2;
  }
  const std::string hostPort = url.substr(8, url.find('/', 8) - 8);
  const std::string host = hostPort.substr(0, hostPort.find(':'));
  const std::string path =
      url.find('/', 8) == std::string::npos ? "/" : url.substr(url.find('/', 8));
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(uint16_t(std::atoi(hostPort.c_str() + host.size() + 1)));
  if (inet_pton(AF_INET, host.c_str(), &to.sin_addr) != 1) {
    std::fprintf(stderr, "bench_bare_tls: a dotted loopback address is needed\n");
    return 2;
  }
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_default_verify_paths(ctx);
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);
  const std::string request = "HEAD " + path + " HTTP/1.0\r\nHost: " + host +
                              "\r\nAccept: www/source, text/html, video/mpeg, image/jpeg, "
                              "image/x-tiff\r\nAccept: image/x-rgb, image/x-xbm, image/gif, "
                              "*/*, application/postscript\r\nUser-Agent: Pollarion\r\n"
                              "Referer: Pollarion\r\nContent-type: "
                              "application/x-www-form-urlencoded\r\n\r\n";
  const long count = std::strtol(argv[2], nullptr, 10);
  for (long i = 0; i < count; ++i)
    if (!OneHead(ctx, to, host, request)) {
      std::fprintf(stderr, "bench_bare_tls: request %ld failed\n", i + 1);
      return 1;
    }
  SSL_CTX_free(ctx);
  return 0;
}
