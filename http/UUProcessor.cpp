// Base64 / uuencode of a stream, 45 input bytes per output line.
#include "http/UUProcessor.h"

namespace {

const char kMimeAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kBytesPerLine = 45;

// The grave accent stands for 0, then "!" to "_" in code order.
std::string UuAlphabet() {
  std::string a(1, '`');
  for (char c = 33; c <= 95; ++c) a += c;
  return a;
}

}  // namespace

TUUProcessor::TUUProcessor(TComponent* AOwner) : TComponent(AOwner), FAlphabet(kMimeAlphabet) {}

void TUUProcessor::LoadAlphabet() {
  if (Method == uuMime) FAlphabet = kMimeAlphabet;
  if (Method == uuCode) FAlphabet = UuAlphabet();
}

std::string TUUProcessor::EncodeLine(const unsigned char* b, int count) const {
  const std::string& a = FAlphabet;
  std::string line;
  if (Method == uuCode) line += a[count & 63];
  int i = 0;
  for (; i + 3 <= count; i += 3) {
    line += a[b[i] >> 2];
    line += a[((b[i] & 3) << 4) | (b[i + 1] >> 4)];
    line += a[((b[i + 1] & 15) << 2) | (b[i + 2] >> 6)];
    line += a[b[i + 2] & 63];
  }
  if (count - i == 1) {
    line += a[b[i] >> 2];
    line += a[(b[i] & 3) << 4];
    if (Method == uuMime) line += "==";
  } else if (count - i == 2) {
    line += a[b[i] >> 2];
    line += a[((b[i] & 3) << 4) | (b[i + 1] >> 4)];
    line += a[(b[i + 1] & 15) << 2];
    if (Method == uuMime) line += "=";
  }
  return line + "\r\n";
}

void TUUProcessor::EncodeAll() {
  LoadAlphabet();
  unsigned char block[kBytesPerLine];
  while (InputStream->Position() < InputStream->Size()) {
    int count = InputStream->Read(block, kBytesPerLine);
    if (count <= 0) break;  // a stream that stops short must not loop forever
    std::string line = EncodeLine(block, count);
    OutputStream->Write(line.data(), static_cast<int>(line.size()));
  }
  if (Method == uuCode) {
    std::string last = FAlphabet.substr(0, 1) + "\r\n";
    OutputStream->Write(last.data(), static_cast<int>(last.size()));
  }
}

void TUUProcessor::Encode() {
  InputStream->SetPosition(0);
  if (OnBeginEncode) OnBeginEncode(this);
  try {
    EncodeAll();
  } catch (...) {
    OutputStream->SetPosition(0);
    if (OnEndEncode) OnEndEncode(this);
    throw;
  }
  OutputStream->SetPosition(0);
  if (OnEndEncode) OnEndEncode(this);
}
