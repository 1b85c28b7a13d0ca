// Header-line lookup and replace-or-append on a string list.
#include "http/ExtStrings.h"

#include "framework/SysUtils.h"

namespace {

// An item without ":" has the empty name.
std::string NameOf(const std::string& item) {
  size_t colon = item.find(':');
  return colon == std::string::npos ? std::string() : item.substr(0, colon);
}

}  // namespace

int TExStringList::IndexOfHeader(const std::string& Name) {
  return Sorted() ? IndexOfHeaderSorted(Name) : IndexOfHeaderUnsorted(Name);
}

int TExStringList::IndexOfHeaderUnsorted(const std::string& Name) {
  for (int i = 0; i < Count(); ++i) {
    const std::string& item = Strings(i);
    if (item.find(':') == std::string::npos) continue;
    if (AnsiCompareText(NameOf(item), Name) == 0) return i;
  }
  return -1;
}

int TExStringList::IndexOfHeaderSorted(const std::string& Name) {
  int lo = 0;
  int hi = Count() - 1;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int c = AnsiCompareText(NameOf(Strings(mid)), Name);
    if (c == 0) return mid;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return -1;
}

void TExStringList::SetHeader(const std::string& Name, const std::string& Value) {
  int i = IndexOfHeader(Name);
  if (Value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::string line = Name + ": " + Value;
  if (i < 0) {
    Add(line);
  } else if (Sorted()) {
    Delete(i);  // a sorted list places the new text itself
    Add(line);
  } else {
    Set(i, line);
  }
}
