// URL encoding of a text, byte by byte.
#include "http/UrlEncoder.h"

#include "framework/SysUtils.h"

namespace {

bool KeptAsIs(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string EncodeBytes(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string result;
  result.reserve(text.size());
  for (unsigned char c : text) {
    if (KeptAsIs(c)) {
      result += static_cast<char>(c);
    } else if (c == ' ') {
      result += '+';
    } else {
      result += '%';
      result += kHex[c >> 4];
      result += kHex[c & 15];
    }
  }
  return result;
}

}  // namespace

TUrlEncoder::TUrlEncoder(TComponent* AOwner) : TComponent(AOwner) {}

// The whole input is encoded whatever its length: there is no 16-bit position here.
std::string TUrlEncoder::Encode() {
  try {
    return EncodeBytes(InputString);
  } catch (Exception& e) {
    if (OnError) OnError(this, "Error during encode", e.Message());
    return InputString;
  }
}
