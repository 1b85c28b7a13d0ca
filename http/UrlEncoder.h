// TUrlEncoder: turns a text into the URL-encoded form that Post sends as its body.
// Letters and digits stay, the blank becomes "+", every other byte becomes "%" and two
// lower-case hex digits. Encoding never raises an Exception: a failure is reported
// through OnError and the input is returned unchanged.
#pragma once

#include <functional>
#include <string>

#include "framework/Classes.h"

using TOnErrorEvent =
    std::function<void(TObject* Sender, const std::string& Operation, const std::string& ErrMsg)>;

class TUrlEncoder : public TComponent {
 public:
  explicit TUrlEncoder(TComponent* AOwner);

  std::string InputString;
  TOnErrorEvent OnError;

  // The encoded form of InputString, computed on each call.
  std::string Encode();
};
