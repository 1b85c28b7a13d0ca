// String lists: the abstract TStrings and the stored, optionally sorted TStringList.
#include <algorithm>

#include "framework/Classes.h"

namespace {

[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

// Splits at CR LF, LF or CR; a final line without line end counts.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

// ---- TStrings ----

void TStrings::Put(int index, const std::string& s) {
  BeginUpdate();
  Delete(index);
  Insert(index, s);
  EndUpdate();
}

int TStrings::Add(const std::string& s) {
  int n = Count();
  Insert(n, s);
  return n;
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const {
  return CaseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0, n = Count(); i < n; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

void TStrings::AddStrings(const TStrings& other) {
  BeginUpdate();
  for (int i = 0, n = other.Count(); i < n; ++i) Add(other.Get(i));
  EndUpdate();
}

void TStrings::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TStrings*>(source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  BeginUpdate();
  Clear();
  AddStrings(*other);
  EndUpdate();
}

std::string TStrings::Text() const {
  std::string r;
  for (int i = 0, n = Count(); i < n; ++i) r += Get(i) + "\r\n";
  return r;
}

void TStrings::SetText(const std::string& text) {
  BeginUpdate();
  Clear();
  for (const std::string& line : SplitLines(text)) Add(line);
  EndUpdate();
}

std::string TStrings::Names(int index) const {
  std::string s = Get(index);
  size_t p = s.find('=');
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0, n = Count(); i < n; ++i) {
    std::string s = Get(i);
    size_t p = s.find('=');
    if (p != std::string::npos && CompareStrings(s.substr(0, p), name) == 0) return i;
  }
  return -1;
}

std::string TStrings::Values(const std::string& name) const {
  int i = IndexOfName(name);
  if (i < 0) return std::string();
  std::string s = Get(i);
  return s.substr(s.find('=') + 1);
}

void TStrings::BeginUpdate() { ++FUpdateCount; }

void TStrings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TStrings::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

// ---- TStringList ----

std::string TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[size_t(index)];
}

void TStringList::Put(int index, const std::string& s) {
  if (FSorted) throw EListError("Operation not allowed on sorted string list");
  if (index < 0 || index >= Count()) IndexError(index);
  if (OnChanging) OnChanging(this);
  FItems[size_t(index)] = s;
  Changed();
}

void TStringList::Insert(int index, const std::string& s) {
  if (FSorted) throw EListError("Operation not allowed on sorted string list");
  if (index < 0 || index > Count()) IndexError(index);
  if (OnChanging) OnChanging(this);
  FItems.insert(FItems.begin() + index, s);
  Changed();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  if (OnChanging) OnChanging(this);
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  if (OnChanging) OnChanging(this);
  FItems.clear();
  Changed();
}

int TStringList::Add(const std::string& s) {
  if (!FSorted) {
    if (OnChanging) OnChanging(this);
    FItems.push_back(s);
    Changed();
    return Count() - 1;
  }
  int index;
  Find(s, index);  // duplicates are accepted, placed before equal items
  if (OnChanging) OnChanging(this);
  FItems.insert(FItems.begin() + index, s);
  Changed();
  return index;
}

int TStringList::IndexOf(const std::string& s) const {
  if (!FSorted) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::SetText(const std::string& text) {
  BeginUpdate();
  Clear();
  for (const std::string& line : SplitLines(text)) Add(line);
  EndUpdate();
}

bool TStringList::Find(const std::string& s, int& index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = CompareStrings(FItems[size_t(mid)], s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) found = true;
    }
  }
  index = lo;
  return found;
}

void TStringList::Sort() {
  if (OnChanging) OnChanging(this);
  std::stable_sort(
      FItems.begin(), FItems.end(),
      [this](const std::string& a, const std::string& b) { return CompareStrings(a, b) < 0; });
  Changed();
}

void TStringList::SetSorted(bool v) {
  if (v == FSorted) return;
  if (v) Sort();
  FSorted = v;
}
