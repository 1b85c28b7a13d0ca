// Fuzz target: the URL split never crashes, raises only its own errors, and leaves a
// path that starts the way the rules say.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/SysUtils.h"
#include "http/HttpUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  TUrlParts p;
  p.Port = data[0] % 4 == 0 ? 0 : 8000 + data[0];
  p.Host = "prev";
  p.RequestURL.assign(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string url = p.RequestURL;
  try {
    ParseUrlParts(p);
  } catch (const EConvertError&) {
    return 0;
  } catch (const Exception& e) {
    if (e.Message() != "Empty URL" && e.Message() != "HTTP Secure Socket is not supported")
      std::abort();
    return 0;
  }
  if (p.RequestPath.empty() || p.RequestPath.size() > 256) std::abort();
  if (p.RequestURL != url && p.RequestURL != url + "/") std::abort();
  if (p.Host.find(':') != std::string::npos) std::abort();
  return 0;
}
