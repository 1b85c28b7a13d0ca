// bench_bare URL COUNT: the floor a poll is measured against. COUNT HEAD requests on
// bare BSD sockets, each over a fresh connection: socket, connect, one send of the
// program's request bytes, read until the server closes, close. Exits 0 only when every
// answer began with a 2xx status line.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// "http://127.0.0.1:P/path" -> address, port, path (loopback addresses only).
bool SplitUrl(const std::string& url, in_addr& addr, uint16_t& port, std::string& path) {
  std::string rest = url.rfind("http://", 0) == 0 ? url.substr(7) : url;
  const size_t slash = rest.find('/');
  path = slash == std::string::npos ? "/" : rest.substr(slash);
  const std::string hostPort = rest.substr(0, slash);
  const size_t colon = hostPort.find(':');
  port = colon == std::string::npos ? 80 : uint16_t(std::atoi(hostPort.c_str() + colon + 1));
  return inet_pton(AF_INET, hostPort.substr(0, colon).c_str(), &addr) == 1;
}

bool OneHead(const sockaddr_in& to, const std::string& request) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
            send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size());
  char buf[4096];
  std::string head;
  for (ssize_t n; ok && (n = recv(fd, buf, sizeof buf, 0)) > 0;)
    if (head.size() < 16) head.append(buf, size_t(n));
  close(fd);
  return ok && head.rfind("HTTP/1.", 0) == 0 && head.size() > 9 && head[9] == '2';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_bare URL COUNT\n");
    return 2;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  uint16_t port = 0;
  std::string path;
  if (!SplitUrl(argv[1], to.sin_addr, port, path)) {
    std::fprintf(stderr, "bench_bare: a dotted loopback address is needed\n");
    return 2;
  }
  to.sin_port = htons(port);
  const std::string host = std::string(argv[1]).substr(7, std::string(argv[1]).find('/', 7) - 7);
  const std::string request = "HEAD " + path + " HTTP/1.0\r\nHost: " + host +
                              "\r\nAccept: www/source, text/html, video/mpeg, image/jpeg, "
                              "image/x-tiff\r\nAccept: image/x-rgb, image/x-xbm, image/gif, "
                              "*/*, application/postscript\r\nUser-Agent: Pollarion\r\n"
                              "Referer: Pollarion\r\nContent-type: "
                              "application/x-www-form-urlencoded\r\n\r\n";
  const long count = std::strtol(argv[2], nullptr, 10);
  for (long i = 0; i < count; ++i)
    if (!OneHead(to, request)) {
      std::fprintf(stderr, "bench_bare: request %ld failed\n", i + 1);
      return 1;
    }
  return 0;
}
