// TExStringList: a string list of header lines "name:rest" with lookup by name.
// The name of an item is its text before the first ":", taken exactly; names compare
// without regard to letter case under the user's locale.
#pragma once

#include <string>

#include "framework/Classes.h"

class TExStringList : public TStringList {
 public:
  // Index of the first item named Name, or -1. A sorted list is binary-searched, and
  // there an item without ":" has the empty name; an unsorted one skips such items.
  int IndexOfHeader(const std::string& Name);
  // Replaces or appends "Name: Value"; an empty Value deletes the item instead.
  void SetHeader(const std::string& Name, const std::string& Value);

 private:
  int IndexOfHeaderUnsorted(const std::string& Name);
  int IndexOfHeaderSorted(const std::string& Name);
};
