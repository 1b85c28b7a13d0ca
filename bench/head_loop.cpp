// bench_head URL COUNT: COUNT HEAD requests through THttpClient, one after another, each
// over a fresh connection, as the poll cycle makes them. The comparison driver times the
// whole process, start-up included, against curl doing the same. Exits 0 only when every
// request ended in OnSuccess, so a bench against a broken server cannot pass as fast.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "framework/Classes.h"
#include "http/HttpClient.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_head URL COUNT\n");
    return 2;
  }
  const std::string url = argv[1];
  const long count = std::strtol(argv[2], nullptr, 10);
  long successes = 0;
  try {
    TOwnedPtr<THttpClient> http(TComponent::Create<THttpClient>(nullptr));
    http->TimeOut = 60000;  // the program's value
    http->OnSuccess = [&](CmdType) { ++successes; };
    for (long i = 0; i < count; ++i) http->Head(url);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_head: %s\n", e.what());
    return 1;
  }
  if (successes != count) {
    std::fprintf(stderr, "bench_head: %ld of %ld requests succeeded\n", successes, count);
    return 1;
  }
  return 0;
}
