// TUUProcessor: encodes a byte stream into Base64 lines (uuMime) or uuencode-style lines
// (uuCode). Input is read from position 0 in blocks of 45 bytes, one output line per block,
// each ended by CR LF. Only encoding exists; the decode events are kept for the property
// set and never fire. Neither stream is owned.
#pragma once

#include <string>

#include "framework/Classes.h"

enum UUMethods { uuMime = 0, uuCode = 1 };

class TUUProcessor : public TComponent {
 public:
  explicit TUUProcessor(TComponent* AOwner);

  UUMethods Method = uuMime;
  TNotifyEvent OnBeginEncode;
  TNotifyEvent OnEndEncode;  // also after an exception
  TNotifyEvent OnBeginDecode;
  TNotifyEvent OnEndDecode;
  TStream* InputStream = nullptr;
  TStream* OutputStream = nullptr;  // written at its position, left at position 0

  void Encode();

 private:
  void LoadAlphabet();
  void EncodeAll();
  std::string EncodeLine(const unsigned char* bytes, int count) const;

  std::string FAlphabet;
};
