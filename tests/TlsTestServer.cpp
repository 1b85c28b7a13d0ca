// tls_test_server: the loopback HTTPS servers of the Windows suite under wine, one for
// each kind of test certificate. It writes its list to the file named by its argument
// ("ca <CA file>", then "<kind> <port>" lines; whole or not at all), serves until its
// standard input ends, and then removes the certificates it made.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/LoopbackTls.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tls_test_server LIST-FILE\n");
    return 2;
  }
  testsupport::TestPki& pki = testsupport::TestPki::Get();
  std::vector<std::unique_ptr<LoopbackTls>> servers;
  std::string list = "ca " + pki.caFile() + "\n";
  for (testsupport::CertKind kind : testsupport::kAllCertKinds) {
    servers.push_back(std::make_unique<LoopbackTls>(kind));
    list += std::string(testsupport::CertKindName(kind)) + " " + servers.back()->portText() + "\n";
  }
  const std::string path = argv[1], unfinished = path + ".unfinished";
  std::ofstream(unfinished) << list;
  if (std::rename(unfinished.c_str(), path.c_str()) != 0) {
    std::perror(path.c_str());
    return 1;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
  }
  return 0;
}
