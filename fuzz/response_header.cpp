// Fuzz target: a whole request against a server whose reply is the input, fed through
// the in-process fake peer. The reader must never crash or hang, raise only the
// program's own errors, keep what it read in order, and keep header values bounded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "http/HttpClient.h"
#include "platform/posix/FakeSocket.h"
#include "platform/posix/Seams.h"

namespace {

bool IsPrefix(const std::string& part, const std::string& whole) {
  return whole.compare(0, part.size(), part) == 0;
}

// Names the broken rule before the fuzzer records the input.
void Require(bool ok, int line) {
  if (ok) return;
  std::fprintf(stderr, "check failed at %s:%d\n", __FILE__, line);
  std::abort();
}
#define Check(ok) Require((ok), __LINE__)

// Notes whether a pass got as far as the response: before that, Header keeps its value.
class TFuzzClient : public THttpClient {
 public:
  using THttpClient::THttpClient;
  bool ReadAny = false;

 protected:
  void ReadResponseHeader() override {
    ReadAny = true;
    THttpClient::ReadResponseHeader();
  }
};

// Redirects may name any host: no name is ever looked up for real.
int Setup() {
  posix::setResolver([](const std::string&) {
    posix::ResolveAnswer a;
    a.error = 11001;
    return a;
  });
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int ready = Setup();
  (void)ready;
  if (size < 1) return 0;
  const bool head = (data[0] & 1) == 0;
  const std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);
  posix::setFakePeer(reply);

  TOwnedPtr<TFuzzClient> http(TComponent::Create<TFuzzClient>(nullptr));
  bool finished = false;
  try {
    if (head)
      http->Head("http://127.0.0.1/");
    else
      http->Get("http://127.0.0.1/");
    finished = true;
  } catch (const Exception& e) {
    // the program's own errors (socket, range, redirects, bounds) are fine
    if (std::getenv("FUZZ_VERBOSE")) std::fprintf(stderr, "raised: %s\n", e.Message().c_str());
  } catch (...) {
    std::abort();  // anything else escaped a check the reader should have made
  }

  // Every pass reads the same reply, so what the last one kept comes from its start.
  // (A reply of nothing at all can end the request before that: the close handled with
  // the connect replaces the socket, and sending the request then fails with 10057.)
  Check(http->ReadAny ? IsPrefix(http->Header, reply) : http->Header == "Head.txt");
  Check(http->RedirectTarget.size() <= 256 && http->ReceivedCookie.size() <= 256);
  if (finished) {
    const std::string got = http->Header + http->Body;
    Check(IsPrefix(got, reply));
    const bool cut = head && reply.size() - http->Header.size() > THttpClient::kMaxHeadBody;
    // A body is read only after the header's blank line: then nothing may be lost.
    if (!http->Body.empty() && !cut) Check(got == reply);
  }
  http.reset();
  posix::setFakePeer(std::nullopt);
  return 0;
}
