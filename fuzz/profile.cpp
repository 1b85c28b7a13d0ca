// Fuzz target: the private-profile reader and writer over a file whose text is the
// input. Reading never crashes and gives values without line breaks; a write of one
// key changes only its own line (or adds it), and every other value reads as before.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/winapi.h"

namespace {

std::string TempFile() {
  char dir[] = "/dev/shm/tavix-fuzz-XXXXXX";
  char fallback[] = "/tmp/tavix-fuzz-XXXXXX";
  const char* made = mkdtemp(dir);
  if (!made) made = mkdtemp(fallback);
  Check(made != nullptr);
  return std::string(made) + "/f.ini";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A NUL-separated name list as the reader returns it.
std::vector<std::string> Names(const char* buf, DWORD n) {
  std::vector<std::string> out;
  for (DWORD at = 0; at < n;) {
    std::string name(buf + at);
    at += static_cast<DWORD>(name.size()) + 1;
    out.push_back(name);
  }
  return out;
}

std::vector<std::string> List(const char* section, DWORD size, const std::string& path) {
  std::vector<char> buf(size + 2, 'x');
  DWORD n = GetPrivateProfileStringA(section, nullptr, "", buf.data(), size, path.c_str());
  Check(size == 0 ? n == 0 : n < size);
  Check(buf[size] == 'x' && buf[size + 1] == 'x');  // nothing written past the buffer
  return Names(buf.data(), n);
}

std::string Value(const std::string& section, const std::string& key, const std::string& path) {
  char buf[4096];
  DWORD n =
      GetPrivateProfileStringA(section.c_str(), key.c_str(), "?", buf, sizeof buf, path.c_str());
  Check(n < sizeof buf && buf[n] == 0);
  std::string v(buf, n);
  Check(v.find_first_of("\r\n") == std::string::npos);
  GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, path.c_str());
  return v;
}

using Values = std::map<std::pair<std::string, std::string>, std::string>;

// Every section and key the lists name, with its value (first spelling wins, as lookups
// are by name without regard to case).
Values ReadAll(const std::string& path) {
  Values all;
  for (const std::string& s : List(nullptr, 65536, path))
    for (const std::string& k : List(s.c_str(), 65536, path)) {
      std::string v = Value(s, k, path);
      auto key = std::make_pair(s, k);
      if (!all.count(key)) all[key] = v;
    }
  return all;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// Names the reader can find again once written: a NUL in the file splits a listed name
// into pieces, and a padded name, an empty key or a ';' / '[' led key is read as other.
bool Padded(const std::string& n) {
  return !n.empty() &&
         (n.front() == ' ' || n.front() == '\t' || n.back() == ' ' || n.back() == '\t');
}
bool ReadableSection(const std::string& s) {
  return !Padded(s) && s.find_first_of("\r\n]") == std::string::npos;
}
bool ReadableKey(const std::string& k) {
  return !k.empty() && !Padded(k) && k.find_first_of("\r\n=") == std::string::npos && k[0] != ';' &&
         k[0] != '[';
}

size_t CountLf(const std::string& s, size_t from, size_t to) {
  size_t n = 0;
  for (size_t i = from; i < to; ++i) n += s[i] == '\n';
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = TempFile();
  if (size < 3) return 0;
  const DWORD small = data[0] % 8;  // short buffers: cut lists
  const uint8_t pickSection = data[1];
  const uint8_t pickKey = data[2];
  const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
  WriteFile(path, text);

  List(nullptr, small, path);
  const Values before = ReadAll(path);

  // Write to a section and key of the file, or to new ones.
  std::vector<std::string> sections = List(nullptr, 65536, path);
  std::string section = "fz" + std::to_string(pickSection);
  if (pickSection < sections.size()) section = sections[pickSection];
  std::vector<std::string> keys = List(section.c_str(), 65536, path);
  std::string key = "k" + std::to_string(pickKey);
  if (pickKey < keys.size()) key = keys[pickKey];
  if (!ReadableSection(section) || !ReadableKey(key)) return 0;
  const std::string value = "v" + std::to_string(size);
  Check(WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()));
  Check(Value(section, key, path) == value);

  // Other values read as before; the bytes changed are at most one line plus the new ones.
  const std::string after = ReadFile(path);
  for (const auto& [name, v] : ReadAll(path)) {
    if (SameName(name.first, section) && SameName(name.second, key)) continue;
    auto old = before.find(name);
    if (old != before.end()) Check(old->second == v);
  }
  size_t head = 0;
  while (head < text.size() && head < after.size() && text[head] == after[head]) ++head;
  size_t tail = 0;
  while (tail < text.size() - head && tail < after.size() - head &&
         text[text.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  Check(CountLf(text, head, text.size() - tail) <= 1);
  Check(CountLf(after, head, after.size() - tail) <= 3);
  return 0;
}
