// Fuzz target: the URL encoder and the Base64 encoder round-trip through plain decoders.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/UUProcessor.h"
#include "http/UrlEncoder.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  std::abort();  // only lower-case digits are written
}

std::string UrlDecode(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out += ' ';
    } else if (s[i] == '%') {
      if (i + 2 >= s.size()) std::abort();  // "%" always has two digits
      out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string Base64Decode(const std::string& lines) {
  static const std::string a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned bits = 0;
  int have = 0;
  for (char c : lines) {
    if (c == '\r' || c == '\n' || c == '=') continue;
    size_t v = a.find(c);
    if (v == std::string::npos) std::abort();
    bits = (bits << 6) | unsigned(v);
    have += 6;
    if (have >= 8) {
      have -= 8;
      out += static_cast<char>((bits >> have) & 0xFF);
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  TOwnedPtr<TUrlEncoder> url(TComponent::Create<TUrlEncoder>(nullptr));
  url->InputString = input;
  if (UrlDecode(url->Encode()) != input) std::abort();

  TMemoryStream in;
  TMemoryStream out;
  in.WriteBuffer(input.data(), static_cast<int64_t>(input.size()));
  TOwnedPtr<TUUProcessor> uu(TComponent::Create<TUUProcessor>(nullptr));
  uu->InputStream = &in;
  uu->OutputStream = &out;
  uu->Encode();
  const std::string lines(out.Memory(), static_cast<size_t>(out.Size()));
  if (lines.size() != (size + 44) / 45 * 2 + (size + 2) / 3 * 4) std::abort();
  if (Base64Decode(lines) != input) std::abort();
  return 0;
}
